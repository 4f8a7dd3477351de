#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "image/image_format.h"
#include "image/resolution.h"

namespace nvx {

// The Exif orientation (1 to 8) stored with a JPEG, TIFF, PNG (eXIf) or WebP:
// how the stored pixels must be turned or mirrored to stand upright as every
// viewer shows them. 1 (as stored) when the file has none or a broken one.
int ReadExifOrientation(ImageFormat format, std::string_view bytes);

// The Exif resolution of a WebP or HEIF file (JPEG and TIFF have readers of
// their own), in dots per inch; nullopt when it has none.
std::optional<Resolution> ReadExifResolution(ImageFormat format, std::string_view bytes);

// Orientations 5 to 8 turn the image by a quarter: width and height swap.
inline bool SwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

// Copies `width` x `height` RGBA pixels (rows top first) into `out` (4 bytes a
// pixel, the turned size), upright by `orientation` and then, when `flip` is
// set, upside down. `in` and `out` must not overlap.
void CopyUpright(const std::uint8_t* in, int width, int height, int orientation, bool flip,
                 std::uint8_t* out);
// Only the output rows firstRow .. endRow - 1 of the same copy.
void CopyUprightRows(const std::uint8_t* in, int width, int height, int orientation, bool flip,
                     std::uint8_t* out, int firstRow, int endRow);

// Where the upright pixel (x, row) lies among the stored pixels: the pixel
// index origin + x * stepX + row * stepRow. Every orientation and the flip
// only reorder the pixels, so the walk is the same straight line for all.
struct PixelWalk {
  std::ptrdiff_t origin = 0;
  std::ptrdiff_t stepX = 1;
  std::ptrdiff_t stepRow = 0;
  std::ptrdiff_t At(std::ptrdiff_t x, std::ptrdiff_t row) const {
    return origin + x * stepX + row * stepRow;
  }
};
// For stored pixels of `width` x `height`, stood upright by `orientation` and,
// with `flip`, turned upside down after.
PixelWalk UprightWalk(int width, int height, int orientation, bool flip);

// Without a quarter turn each output row is one whole source row: this one.
inline int UprightSourceRow(int row, int height, int orientation, bool flip) {
  const bool bottomUp = flip != (orientation == 3 || orientation == 4);
  return bottomUp ? height - 1 - row : row;
}

}  // namespace nvx
