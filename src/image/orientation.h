#pragma once

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

}  // namespace nvx
