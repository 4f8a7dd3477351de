#include "image/orientation.h"

#include <cstring>
#include <optional>

#include "image/byte_reader.h"

namespace nvx {
namespace {

constexpr std::uint32_t kTagOrientation = 0x0112;
constexpr std::uint32_t kTagXResolution = 282;
constexpr std::uint32_t kTagYResolution = 283;
constexpr std::uint32_t kTagResolutionUnit = 296;
constexpr std::uint32_t kTypeShort = 3;
constexpr std::uint32_t kTypeRational = 5;
constexpr std::string_view kExifHeader("Exif\0\0", 6);

// The entry of `tag` with field type `type` in the first directory of a TIFF
// structure (a TIFF file, the Exif block of a JPEG, a PNG's eXIf chunk): the
// offset of its value field, in a reader set to the structure's byte order.
std::optional<std::uint64_t> FindTag(ByteReader& block, std::uint32_t tag, std::uint32_t type) {
  const std::string_view order = block.Text(0, 2);
  if (order != "MM" && order != "II") return std::nullopt;
  block.bigEndian = order == "MM";
  auto directory = block.U32(4);
  auto count = directory ? block.U16(*directory) : std::nullopt;
  if (!count) return std::nullopt;
  for (std::uint32_t i = 0; i < *count; ++i) {
    const std::uint64_t entry = *directory + 2ull + 12ull * i;
    auto entryTag = block.U16(entry);
    auto entryType = block.U16(entry + 2);
    if (!entryTag || !entryType) return std::nullopt;
    if (*entryTag == tag && *entryType == type) return entry + 8;
  }
  return std::nullopt;
}

int TiffOrientation(std::string_view tiff) {
  ByteReader block{tiff, true};
  auto at = FindTag(block, kTagOrientation, kTypeShort);
  auto value = at ? block.U16(*at) : std::nullopt;
  return value && *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
}

// WebP keeps Exif in a RIFF chunk, with or without the JPEG-style header.
std::optional<std::string_view> WebPExif(std::string_view bytes) {
  const ByteReader file{bytes, false};
  for (std::uint64_t at = 12;;) {
    auto length = file.U32(at + 4);
    const std::string_view type = file.Text(at, 4);
    if (!length || type.size() < 4) return std::nullopt;
    if (type == "EXIF") {
      std::string_view block = file.Text(at + 8, *length);
      if (block.starts_with(kExifHeader)) block.remove_prefix(kExifHeader.size());
      return block;
    }
    at += 8ull + *length + (*length & 1);
  }
}

// HEIF keeps Exif as an item whose data starts with the "Exif" header; found
// by that header rather than by walking the item tables.
std::optional<std::string_view> HeifExif(std::string_view bytes) {
  for (std::string_view order : {std::string_view("MM\0*", 4), std::string_view("II*\0", 4)}) {
    const std::size_t at = bytes.find(std::string(kExifHeader) + std::string(order));
    if (at != std::string_view::npos) return bytes.substr(at + kExifHeader.size());
  }
  return std::nullopt;
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
  if (format == ImageFormat::WebP) tiff = WebPExif(bytes);
  // HEIF's decoder turns the image by the file's own transformations; its Exif
  // orientation only repeats them.
  return tiff ? TiffOrientation(*tiff) : 1;
}

std::optional<Resolution> ReadExifResolution(ImageFormat format, std::string_view bytes) {
  std::optional<std::string_view> tiff;
  if (format == ImageFormat::WebP) tiff = WebPExif(bytes);
  if (format == ImageFormat::Heif) tiff = HeifExif(bytes);
  if (!tiff) return std::nullopt;
  ByteReader block{*tiff, true};
  auto x = FindTag(block, kTagXResolution, kTypeRational);
  auto xOffset = x ? block.U32(*x) : std::nullopt;
  auto y = FindTag(block, kTagYResolution, kTypeRational);
  auto yOffset = y ? block.U32(*y) : std::nullopt;
  auto xValue = xOffset ? block.Rational(*xOffset) : std::nullopt;
  auto yValue = yOffset ? block.Rational(*yOffset) : std::nullopt;
  if (!xValue || !yValue) return std::nullopt;
  auto unit = FindTag(block, kTagResolutionUnit, kTypeShort);
  const double perInch = unit && block.U16(*unit) == 3u ? 2.54 : 1.0;  // 3: per centimetre
  return Resolution{static_cast<float>(*xValue * perInch), static_cast<float>(*yValue * perInch)};
}

PixelWalk UprightWalk(int width, int height, int orientation, bool flip) {
  const std::ptrdiff_t w = width, h = height;
  const std::ptrdiff_t outHeight = SwapsAxes(orientation) ? w : h;
  // The stored pixel an upright pixel (x, y) shows; linear in x and y.
  auto stored = [&](std::ptrdiff_t x, std::ptrdiff_t y) -> std::ptrdiff_t {
    switch (orientation) {
      case 2:
        return (w - 1 - x) + y * w;
      case 3:
        return (w - 1 - x) + (h - 1 - y) * w;
      case 4:
        return x + (h - 1 - y) * w;
      case 5:
        return y + x * w;
      case 6:
        return y + (h - 1 - x) * w;
      case 7:
        return (w - 1 - y) + (h - 1 - x) * w;
      case 8:
        return (w - 1 - y) + x * w;
      default:
        return x + y * w;
    }
  };
  // Flipped, output row `row` shows upright row outHeight - 1 - row.
  const std::ptrdiff_t firstY = flip ? outHeight - 1 : 0;
  const std::ptrdiff_t stepY = flip ? -1 : 1;
  PixelWalk walk;
  walk.origin = stored(0, firstY);
  walk.stepX = stored(1, firstY) - walk.origin;
  walk.stepRow = stored(0, firstY + stepY) - walk.origin;
  return walk;
}

void CopyUpright(const std::uint8_t* in, int width, int height, int orientation, bool flip,
                 std::uint8_t* out) {
  CopyUprightRows(in, width, height, orientation, flip, out, 0,
                  SwapsAxes(orientation) ? width : height);
}

void CopyUprightRows(const std::uint8_t* in, int width, int height, int orientation, bool flip,
                     std::uint8_t* out, int firstRow, int endRow) {
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  const bool swap = SwapsAxes(orientation);
  const std::size_t outWidth = swap ? h : w;
  const std::size_t outHeight = swap ? w : h;
  auto pixel = [&](std::size_t x, std::size_t y) { return in + 4 * (y * w + x); };
  const PixelWalk walk = UprightWalk(width, height, orientation, flip);
  for (std::size_t row = static_cast<std::size_t>(firstRow);
       row < std::min(outHeight, static_cast<std::size_t>(endRow)); ++row) {
    const std::size_t y = flip ? outHeight - 1 - row : row;  // the upright row this one shows
    std::uint8_t* target = out + 4 * row * outWidth;
    if (orientation == 1 || orientation == 4) {
      std::memcpy(target, pixel(0, orientation == 1 ? y : h - 1 - y), 4 * w);
      continue;
    }
    for (std::size_t x = 0; x < outWidth; ++x) {
      const std::uint8_t* source =
          in + 4 * walk.At(static_cast<std::ptrdiff_t>(x), static_cast<std::ptrdiff_t>(row));
      std::memcpy(target + 4 * x, source, 4);
    }
  }
}

}  // namespace nvx
