#include <algorithm>
#include <bit>
#include <cstdlib>
#include <vector>

#include "image/byte_reader.h"
#include "image/decode.h"

// Bitmaps read by us: DevIL refuses the V4 and V5 headers GIMP and ImageMagick
// write and the 12-byte OS/2 header. Run-length files with the classic 40-byte
// header, which it reads well, stay with it.
namespace nvx {
namespace {

constexpr std::string_view kReadError = "FILE READ ERROR ";
constexpr std::string_view kBadValue = "ILLEGAL FILE VALUE";
constexpr std::string_view kHuffmanText =
    "This bitmap is compressed with the OS/2 1-D Huffman coding, which nvxprint does not read; "
    "save it uncompressed or as PNG.";
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
// OS/2 2.x headers give compression 3 to their 1-D Huffman coding.
constexpr std::uint32_t kOs2Huffman = 3;

// One colour channel held by a bit mask of a 16- or 32-bit pixel.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  static Channel Of(std::uint32_t mask) {
    if (mask == 0) return {};
    const int shift = std::countr_zero(mask);
    return {mask, shift, mask >> shift};
  }
  std::uint8_t Value(std::uint32_t pixel, std::uint8_t absent) const {
    if (max == 0) return absent;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255u / max);
  }
};

struct BmpInfo {
  std::uint32_t headerSize = 0, bits = 0, compression = 0, dataOffset = 0, colours = 0;
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  Channel red, green, blue, alpha;
  std::vector<std::uint8_t> palette;  // R G B per entry
};

std::optional<BmpInfo> ReadInfo(const ByteReader& f) {
  BmpInfo info;
  auto headerSize = f.U32(14), dataOffset = f.U32(10);
  if (!headerSize || !dataOffset) return std::nullopt;
  info.headerSize = *headerSize;
  info.dataOffset = *dataOffset;
  if (info.headerSize == 12) {  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
    auto w = f.U16(18), h = f.U16(20), bits = f.U16(24);
    if (!w || !h || !bits) return std::nullopt;
    info.width = *w, info.height = *h, info.bits = *bits;
  } else {
    auto w = f.U32(18), h = f.U32(22), bits = f.U16(28), compression = f.U32(30),
         colours = f.U32(46);
    if (!w || !h || !bits || !compression || !colours) return std::nullopt;
    info.width = static_cast<std::int32_t>(*w);
    const std::int32_t height = static_cast<std::int32_t>(*h);
    info.topDown = height < 0;
    info.height = std::abs(static_cast<std::int64_t>(height));
    info.bits = *bits, info.compression = *compression, info.colours = *colours;
  }
  return info;
}

bool ReadMasks(const ByteReader& f, BmpInfo& info) {
  const bool fields = info.compression == kBitFields || info.compression == kAlphaBitFields;
  if (!fields) {
    if (info.bits == 16) {  // 5-5-5
      info.red = Channel::Of(0x7C00), info.green = Channel::Of(0x03E0),
      info.blue = Channel::Of(0x1F);
    } else {
      info.red = Channel::Of(0xFF0000), info.green = Channel::Of(0xFF00),
      info.blue = Channel::Of(0xFF);
    }
    return true;
  }
  // The masks follow a 40-byte header and are part of the longer ones.
  auto r = f.U32(54), g = f.U32(58), b = f.U32(62);
  if (!r || !g || !b) return false;
  info.red = Channel::Of(*r), info.green = Channel::Of(*g), info.blue = Channel::Of(*b);
  if (info.headerSize >= 56 || info.compression == kAlphaBitFields) {
    auto a = f.U32(66);
    if (!a) return false;
    info.alpha = Channel::Of(*a);
  }
  return true;
}

bool ReadPalette(const ByteReader& f, BmpInfo& info) {
  const std::uint32_t entryBytes = info.headerSize == 12 ? 3 : 4;
  const std::uint32_t most = 1u << info.bits;
  const std::uint32_t count = info.colours == 0 || info.colours > most ? most : info.colours;
  std::uint64_t at = 14ull + info.headerSize;
  if (info.headerSize == 40 && info.compression == kBitFields) at += 12;
  info.palette.assign(3 * most, 0);  // indices past the palette are black
  for (std::uint32_t i = 0; i < count; ++i, at += entryBytes) {
    const std::string_view bgr = f.Text(at, 3);
    if (bgr.size() != 3) return i > 0;  // a short palette keeps what it has
    info.palette[3 * i] = static_cast<std::uint8_t>(bgr[2]);
    info.palette[3 * i + 1] = static_cast<std::uint8_t>(bgr[1]);
    info.palette[3 * i + 2] = static_cast<std::uint8_t>(bgr[0]);
  }
  return true;
}

void DecodeRow(const BmpInfo& info, const std::uint8_t* row, std::uint8_t* out) {
  for (std::int64_t x = 0; x < info.width; ++x, out += 4) {
    if (info.bits <= 8) {
      const std::uint64_t bit = static_cast<std::uint64_t>(x) * info.bits;
      const unsigned index = (row[bit / 8] >> (8 - info.bits - bit % 8)) & ((1u << info.bits) - 1);
      out[0] = info.palette[3 * index], out[1] = info.palette[3 * index + 1];
      out[2] = info.palette[3 * index + 2], out[3] = 255;
      continue;
    }
    const std::uint8_t* p = row + x * (info.bits / 8);
    std::uint32_t v = p[0] | (p[1] << 8);
    if (info.bits >= 24) v |= static_cast<std::uint32_t>(p[2]) << 16;
    if (info.bits == 32) v |= static_cast<std::uint32_t>(p[3]) << 24;
    out[0] = info.red.Value(v, 0), out[1] = info.green.Value(v, 0), out[2] = info.blue.Value(v, 0);
    out[3] = info.alpha.Value(v, 255);
  }
}

// OS/2 2.x headers that hold the compression field: any size from 20 to 64
// bytes but the Windows ones (40, 52, 56).
bool IsOs2HeaderWithCompression(std::uint32_t size) {
  return size >= 20 && size <= 64 && size != 40 && size != 52 && size != 56;
}

bool IsRunLength(const BmpInfo& info) {
  return (info.compression == kRle8 && info.bits == 8) ||
         (info.compression == kRle4 && info.bits == 4);
}

// Run-length data, RLE8 or RLE4: pairs of a count and a palette index (two
// for RLE4, taken in turn), or escapes for the end of a row, of the bitmap, a
// jump ahead, or a run of indices as they are. Pixels the data skips keep the
// first palette colour, as other readers show them. False when the data ends
// before the bitmap does.
bool DecodeRunLength(const BmpInfo& info, std::string_view data, const DecodedImage& out) {
  const auto* d = reinterpret_cast<const std::uint8_t*>(data.data());
  const std::size_t size = data.size();
  const int width = out.width, height = out.height;
  auto put = [&](std::int64_t x, std::int64_t y, unsigned index) {
    if (x >= width || y >= height) return;
    const std::int64_t row = info.topDown ? y : height - 1 - y;
    std::uint8_t* p = out.pixels + 4 * (static_cast<std::size_t>(row) * width + x);
    std::copy_n(&info.palette[3 * index], 3, p);
  };
  auto nibbleOrByte = [&](std::uint8_t byte, std::uint64_t i) -> unsigned {
    return info.bits == 8 ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0x0F);
  };
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
    std::copy_n(&info.palette[0], 3, out.pixels + 4 * i);
    out.pixels[4 * i + 3] = 255;
  }
  std::int64_t x = 0, y = 0;
  std::size_t at = 0;
  while (y < height) {
    if (size - at < 2) return false;
    const std::uint8_t count = d[at], value = d[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i, ++x) put(x, y, nibbleOrByte(value, i));
    } else if (value == 0) {
      x = 0, ++y;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (size - at < 2) return false;
      x += d[at], y += d[at + 1];
      at += 2;
    } else {
      const std::size_t bytes = info.bits == 8 ? value : (value + 1u) / 2;
      if (size - at < bytes) return false;
      for (unsigned i = 0; i < value; ++i, ++x) {
        put(x, y, nibbleOrByte(d[at + (info.bits == 8 ? i : i / 2)], i));
      }
      at += bytes + bytes % 2;  // runs as they are fill whole 16-bit words
      at = std::min(at, size);
    }
  }
  return true;
}

// A file whose alpha field is zero everywhere uses none: it is opaque.
void KeepOpaqueWhenAlphaIsUnused(const DecodedImage& decoded) {
  const std::size_t pixels = static_cast<std::size_t>(decoded.width) * decoded.height;
  for (std::size_t i = 0; i < pixels; ++i) {
    if (decoded.pixels[4 * i + 3] != 0) return;
  }
  for (std::size_t i = 0; i < pixels; ++i) decoded.pixels[4 * i + 3] = 255;
}

}  // namespace

bool BmpNeedsOurReader(std::string_view bytes) {
  const ByteReader f{bytes, false};
  std::optional<BmpInfo> info = ReadInfo(f);
  return !info || !(info->headerSize == 40 && (info->compression == 1 || info->compression == 2));
}

Result<DecodedImage> DecodeBmp(std::string_view bytes, const PixelSink& sink) {
  const ByteReader f{bytes, false};
  std::optional<BmpInfo> info = ReadInfo(f);
  if (!info) return Fail(std::string(kReadError));
  const bool knownBits = info->bits == 1 || info->bits == 4 || info->bits == 8 ||
                         info->bits == 16 || info->bits == 24 || info->bits == 32;
  if (IsOs2HeaderWithCompression(info->headerSize) && info->compression == kOs2Huffman) {
    return Fail(std::string(kHuffmanText));
  }
  const bool knownCompression = info->compression == kRgb || info->compression == kBitFields ||
                                info->compression == kAlphaBitFields || IsRunLength(*info);
  const bool knownHeader =
      info->headerSize == 12 || (info->headerSize >= 40 && info->headerSize <= 124);
  if (!knownBits || !knownCompression || !knownHeader || info->width < 1 || info->height < 1 ||
      info->width > 300'000 || info->height > 300'000) {
    return Fail(std::string(kBadValue));
  }
  if (!ReadMasks(f, *info) || (info->bits <= 8 && !ReadPalette(f, *info))) {
    return Fail(std::string(kReadError));
  }
  DecodedImage decoded{static_cast<int>(info->width), static_cast<int>(info->height), nullptr};
  if (IsRunLength(*info)) {
    decoded.pixels = sink(decoded.width, decoded.height);
    if (!decoded.pixels) return OutOfMemory();
    if (!DecodeRunLength(*info, f.Text(info->dataOffset, bytes.size()), decoded)) {
      return Fail(std::string(kReadError));
    }
    return decoded;
  }
  const std::uint64_t stride = (static_cast<std::uint64_t>(info->bits) * info->width + 31) / 32 * 4;
  // The last row need not be padded to its full stride.
  const std::uint64_t lastRow = (static_cast<std::uint64_t>(info->bits) * info->width + 7) / 8;
  if (f.Text(info->dataOffset + stride * (info->height - 1), lastRow).size() != lastRow) {
    return Fail(std::string(kReadError));
  }
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  for (std::int64_t y = 0; y < info->height; ++y) {
    const std::int64_t stored = info->topDown ? y : info->height - 1 - y;
    const auto* row =
        reinterpret_cast<const std::uint8_t*>(bytes.data() + info->dataOffset + stride * stored);
    DecodeRow(*info, row, decoded.pixels + 4 * static_cast<std::uint64_t>(info->width) * y);
  }
  if (info->alpha.max != 0) KeepOpaqueWhenAlphaIsUnused(decoded);
  return decoded;
}

}  // namespace nvx
