#include "image/orientation.h"

#include <cstring>
#include <optional>

#include "image/byte_reader.h"

namespace nvx {
namespace {

constexpr std::uint32_t kTagOrientation = 0x0112;
constexpr std::uint32_t kTypeShort = 3;

// The orientation tag of the first directory of a TIFF structure (a TIFF file,
// the Exif block of a JPEG, a PNG's eXIf chunk).
int TiffOrientation(std::string_view tiff) {
  ByteReader block{tiff, true};
  const std::string_view order = block.Text(0, 2);
  if (order != "MM" && order != "II") return 1;
  block.bigEndian = order == "MM";
  auto directory = block.U32(4);
  if (!directory) return 1;
  auto count = block.U16(*directory);
  if (!count) return 1;
  for (std::uint32_t i = 0; i < *count; ++i) {
    const std::uint64_t entry = *directory + 2ull + 12ull * i;
    auto tag = block.U16(entry);
    auto type = block.U16(entry + 2);
    if (!tag || !type) return 1;
    if (*tag != kTagOrientation || *type != kTypeShort) continue;
    auto value = block.U16(entry + 8);
    return value && *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
  }
  return 1;
}

// The Exif block of the first APP1 segment that holds one, before the scan data.
std::optional<std::string_view> JpegExif(std::string_view bytes) {
  const ByteReader file{bytes, true};
  std::uint64_t at = 2;
  while (true) {
    auto marker = file.U16(at);
    auto length = file.U16(at + 2);
    if (!marker || !length || (*marker >> 8) != 0xFF || *marker == 0xFFDA) return std::nullopt;
    if (*marker == 0xFFE1 && file.Text(at + 4, 6) == std::string_view("Exif\0\0", 6)) {
      return file.Text(at + 10, *length < 8 ? 0 : *length - 8);
    }
    at += 2 + *length;
  }
}

std::optional<std::string_view> PngExif(std::string_view bytes) {
  const ByteReader file{bytes, true};
  for (std::uint64_t at = 8;;) {
    auto length = file.U32(at);
    const std::string_view type = file.Text(at + 4, 4);
    if (!length || type.size() < 4 || type == "IEND") return std::nullopt;
    if (type == "eXIf") return file.Text(at + 8, *length);
    at += 12ull + *length;
  }
}

}  // namespace

int ReadExifOrientation(ImageFormat format, std::string_view bytes) {
  std::optional<std::string_view> tiff;
  if (format == ImageFormat::Jpeg) tiff = JpegExif(bytes);
  if (format == ImageFormat::Png) tiff = PngExif(bytes);
  if (format == ImageFormat::Tiff) tiff = bytes;
  return tiff ? TiffOrientation(*tiff) : 1;
}

void CopyUpright(const std::uint8_t* in, int width, int height, int orientation, bool flip,
                 std::uint8_t* out) {
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  const bool swap = SwapsAxes(orientation);
  const std::size_t outWidth = swap ? h : w;
  const std::size_t outHeight = swap ? w : h;
  auto pixel = [&](std::size_t x, std::size_t y) { return in + 4 * (y * w + x); };
  for (std::size_t row = 0; row < outHeight; ++row) {
    const std::size_t y = flip ? outHeight - 1 - row : row;  // the upright row this one shows
    std::uint8_t* target = out + 4 * row * outWidth;
    if (orientation == 1 || orientation == 4) {
      std::memcpy(target, pixel(0, orientation == 1 ? y : h - 1 - y), 4 * w);
      continue;
    }
    for (std::size_t x = 0; x < outWidth; ++x) {
      const std::uint8_t* source = nullptr;
      switch (orientation) {
        case 2:
          source = pixel(w - 1 - x, y);
          break;
        case 3:
          source = pixel(w - 1 - x, h - 1 - y);
          break;
        case 5:
          source = pixel(y, x);
          break;
        case 6:
          source = pixel(y, h - 1 - x);
          break;
        case 7:
          source = pixel(w - 1 - y, h - 1 - x);
          break;
        default:
          source = pixel(w - 1 - y, x);
          break;  // 8
      }
      std::memcpy(target + 4 * x, source, 4);
    }
  }
}

}  // namespace nvx
