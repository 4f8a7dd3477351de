#pragma once

#include <filesystem>
#include <string_view>

#include "image/image_format.h"

namespace nvx {

// Horizontal and vertical dots per inch. Every load starts from 300 x 300.
struct Resolution {
  float x = 300;
  float y = 300;
};

// Readers may find densities from 10 to 10,000 dpi; anything else on an axis
// is taken as missing and that axis gets the format's fallback.
inline constexpr float kLowestDpi = 10;
inline constexpr float kHighestDpi = 10000;

// The file's class and resolution, both decided by the file's content.
struct FileResolution {
  int formatClass = 0;
  Resolution dpi;
};
FileResolution ResolutionOf(ImageFormat format, std::string_view bytes);
// The same for a file on disk; a file that cannot be read gets 300 x 300.
FileResolution ReadFileResolution(const std::filesystem::path& path);

// One reader per format, on the file's bytes. A reader never fails and never
// reads outside the bytes: what it cannot find leaves or sets the fallback of
// its format. GIF has no reader: it is always 150 x 150.
void PngResolution(std::string_view bytes, Resolution& dpi);
void JpegResolution(std::string_view bytes, Resolution& dpi);
void BmpResolution(std::string_view bytes, Resolution& dpi);
void TiffResolution(std::string_view bytes, Resolution& dpi);
void PsdResolution(std::string_view bytes, Resolution& dpi);

}  // namespace nvx
