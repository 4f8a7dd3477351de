#!/usr/bin/python3
"""Writes the small GIF and BMP files of the decoder tests (see README.md)."""
import io
import struct
import sys
from PIL import Image

out = sys.argv[1] if len(sys.argv) > 1 else "."


def save(name, data):
    with open(f"{out}/{name}", "wb") as f:
        f.write(data)


# A palette GIF whose transparent index (0) is white in the palette.
img = Image.new("P", (3, 2))
img.putpalette([255, 255, 255, 255, 0, 0, 0, 0, 255] + [0] * (253 * 3))
img.putdata([0, 1, 2, 2, 0, 1])
buf = io.BytesIO()
img.save(buf, "GIF", transparency=0, optimize=False)
save("transparent_white.gif", buf.getvalue())

# 100 x 100 stripes whose file stops after the picture's data, without the
# data's end block and the trailer.
img = Image.new("P", (100, 100))
img.putpalette([255, 255, 255, 0, 0, 255] + [0] * (254 * 3))
img.putdata([(x // 10 + y // 10) % 2 for y in range(100) for x in range(100)])
buf = io.BytesIO()
img.save(buf, "GIF", optimize=False)
data = buf.getvalue()
assert data.endswith(b"\x00;")
save("unterminated.gif", data[:-2])
# The same cut in the middle of the picture's data.
save("cut_in_data.gif", data[: len(data) // 2])


def bmp(header, palette, pixels):
    offset = 14 + len(header) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + palette + pixels


def v4_header(width, height, bits, compression, size, colours):
    head = struct.pack("<IiiHHIIiiII", 108, width, height, 1, bits, compression, size, 2835,
                       2835, colours, 0)
    head += struct.pack("<IIII", 0, 0, 0, 0) + b"BGRs" + bytes(36) + bytes(12)
    assert len(head) == 108
    return head


palette = bytes([30, 20, 10, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0])  # B G R 0
# 6 x 3, rows from the bottom: a run, an absolute run with its pad byte, end of
# line; a run, a move right 2 and up 1; a run, end of the bitmap.
rle8 = bytes([3, 1, 0, 3, 2, 3, 2, 0, 0, 0,
              2, 3, 0, 2, 2, 1,
              2, 1, 0, 1])
save("rle8_v4.bmp", bmp(v4_header(6, 3, 8, 1, len(rle8), 4), palette, rle8))
# 7 x 1 in nibbles: four of index 1, an absolute run of 2 3 2, end of the bitmap.
rle4 = bytes([4, 0x11, 0, 3, 0x23, 0x20, 0, 1])
save("rle4_v4.bmp", bmp(v4_header(7, 1, 4, 2, len(rle4), 4), palette, rle4))

# OS/2 2.x header (64 bytes), 1 bit a pixel, compression 3: 1-D Huffman.
os2 = struct.pack("<IiiHHIIiiII", 64, 8, 2, 1, 1, 3, 4, 2835, 2835, 2, 0) + bytes(24)
save("huffman_os2.bmp", bmp(os2, bytes([0, 0, 0, 0, 255, 255, 255, 0]), bytes([0x35, 0x80, 0x1a, 0])))
