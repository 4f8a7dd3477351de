#include "cli/preview_output.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <charconv>
#include <iostream>

#include "cli/commands.h"
#include "platform/atomic_file.h"

namespace nvx::app {
namespace {

bool ParseInt(std::string_view text, int& value) {
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

bool ParsePreviewArea(const CommandOptions& options, PreviewArea& area) {
  if (options.IsSet("size")) {
    const std::string size = options.Value("size");
    const std::size_t x = size.find_first_of("xX");
    int w = 0;
    int h = 0;
    if (x == std::string::npos || !ParseInt(std::string_view(size).substr(0, x), w) ||
        !ParseInt(std::string_view(size).substr(x + 1), h) || w < 16 || h < 16 || w > 8192 ||
        h > 8192) {
      std::cerr << "nvxprint: --size takes WIDTHxHEIGHT in pixels, 16 to 8192 each, not '" << size
                << "'\n";
      return false;
    }
    area.width = w;
    area.height = h;
  }
  if (options.IsSet("background")) {
    const std::string text = options.Value("background");
    int index = 0;
    if (!ParseInt(text, index) || index < 1 || index > 17) {
      std::cerr << "nvxprint: --background takes a substrate number from 1 to 17, not '" << text
                << "'\n";
      return false;
    }
    area.substrate = index;
  }
  return true;
}

int WritePreviewPng(const std::string& path, const PreviewBitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) {
    std::cerr << "nvxprint: nothing to preview\n";
    return kExitFailure;
  }
  // The preview's fourth byte is 0; the PNG wants an opaque picture.
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
  for (int y = 0; y < bitmap.height; ++y) {
    const std::uint8_t* in = &bitmap.bgrx[static_cast<std::size_t>(y) * bitmap.width * 4];
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.width; ++x, in += 4) out[x] = qRgb(in[2], in[1], in[0]);
  }
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
    std::cerr << "nvxprint: the preview could not be encoded as PNG\n";
    return kExitFailure;
  }
  // As the jobs: a file whole or not at all, a device or FIFO written into, "-" stdout.
  const std::string_view pieces[] = {std::string_view(png.constData(), png.size())};
  if (Status written = platform::WriteOutputFile(path, pieces); !written) {
    std::cerr << "nvxprint: cannot write " << path << ": " << written.failure().message << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace nvx::app
