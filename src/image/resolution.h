#pragma once

#include <filesystem>
#include <string_view>

namespace nvx {

// Horizontal and vertical dots per inch. Every load starts from 300 x 300.
struct Resolution {
  float x = 300;
  float y = 300;
};

// 1 when the lower-cased path contains ".png", ".gif", ".tif", ".bmp" or ".psd",
// 2 when it contains ".jpg", 0 otherwise (".jpeg" and ".tiff" included). The
// tests run in the order .png .jpg .gif .tif .bmp .psd and the last match wins.
int FormatClass(std::string_view path);

// The file's class and resolution: every reader whose extension the path
// contains runs in the order above on the same resolution, starting at 300 x 300.
// A resolution that is not a positive finite number becomes 300 on that axis.
struct FileResolution {
  int formatClass = 0;
  Resolution dpi;
};
FileResolution ReadFileResolution(const std::filesystem::path& path);

// One reader per format. A reader never fails and never reads outside the file:
// what it cannot find leaves or sets the fallback of its format.
void ReadResolutionPng(const std::filesystem::path& path, Resolution& dpi);
void ReadResolutionJpeg(const std::filesystem::path& path, Resolution& dpi);
void ReadResolutionGif(const std::filesystem::path& path, Resolution& dpi);
void ReadResolutionBmp(const std::filesystem::path& path, Resolution& dpi);
void ReadResolutionTiff(const std::filesystem::path& path, Resolution& dpi);
void ReadResolutionPsd(const std::filesystem::path& path, Resolution& dpi);

// The same readers on bytes already read from the start of a file.
void PngResolution(std::string_view bytes, Resolution& dpi);
void JpegResolution(std::string_view bytes, Resolution& dpi);
void BmpResolution(std::string_view bytes, Resolution& dpi);
void TiffResolution(std::string_view bytes, Resolution& dpi);
void PsdResolution(std::string_view bytes, Resolution& dpi);

}  // namespace nvx
