#include "image/resolution.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include "image/byte_reader.h"
#include "image/orientation.h"

namespace nvx {
namespace {

constexpr double kPixelsPerMetrePerDpi = 39.3700787;
constexpr std::size_t kJpegHeadBytes = 400;
constexpr std::size_t kBmpHeadBytes = 50;
constexpr std::size_t kPsdHeadBytes = 65000;
constexpr std::size_t kWholeFile = std::numeric_limits<std::size_t>::max();
constexpr std::uint32_t kTagXResolution = 282;
constexpr std::uint32_t kTagYResolution = 283;
constexpr std::uint32_t kTiffTypeRational = 5;

std::string_view Window(std::string_view bytes, std::size_t offset, std::size_t length) {
  return offset < bytes.size() ? bytes.substr(offset, length) : std::string_view();
}

float PerMetreToDpi(std::uint32_t pixelsPerMetre) {
  return static_cast<float>(pixelsPerMetre / kPixelsPerMetrePerDpi);
}

// The Exif resolution tag `tag`, searched for in the whole head as the file
// writes it, its rational found through the TIFF header at offset 12.
std::optional<double> ExifRational(const ByteReader& head, std::uint32_t tag) {
  const std::array<char, 2> pattern = head.bigEndian
                                          ? std::array<char, 2>{char(tag >> 8), char(tag & 0xFF)}
                                          : std::array<char, 2>{char(tag & 0xFF), char(tag >> 8)};
  std::size_t at = head.data.find(std::string_view(pattern.data(), pattern.size()));
  if (at == std::string_view::npos) return std::nullopt;
  auto valueOffset = head.U32(at + 8);
  if (!valueOffset) return std::nullopt;
  return head.Rational(12 + static_cast<std::uint64_t>(*valueOffset));
}

Resolution JfifOrExifResolution(std::string_view bytes) {
  ByteReader head{bytes};
  std::string_view marker = Window(bytes, 6, 5);
  if (marker.find("JFIF") != std::string_view::npos) {
    auto unit = head.U8(13);
    auto x = head.U16(14);
    auto y = head.U16(16);
    if (!unit || !x || !y) return {};
    if (*unit == 1) return {static_cast<float>(*x), static_cast<float>(*y)};
    if (*unit == 2) return {static_cast<float>(*x * 2.54), static_cast<float>(*y * 2.54)};
    return {};
  }
  if (marker.find("Exif") != std::string_view::npos) {
    std::string_view order = Window(bytes, 12, 2);
    if (order != "MM" && order != "II") return {};
    head.bigEndian = order == "MM";
    // A missing tag reads as 0, which the range check below turns into 300.
    return {static_cast<float>(ExifRational(head, kTagXResolution).value_or(0)),
            static_cast<float>(ExifRational(head, kTagYResolution).value_or(0))};
  }
  return {};
}

// A classic TIFF has 16-bit entry counts and 12-byte entries whose values of
// more than 4 bytes lie elsewhere; a BigTIFF 64-bit counts and offsets and
// 20-byte entries that hold values of up to 8 bytes, a rational among them.
void ReadTiffDirectory(const ByteReader& file, std::uint64_t directory, bool big, Resolution& dpi) {
  std::optional<std::uint64_t> count = file.U16(directory);
  if (big) count = file.U64(directory);
  if (!count) return;
  const std::uint64_t entryBytes = big ? 20 : 12;
  const std::uint64_t entries = directory + (big ? 8 : 2);
  // An offset past any file's end means a count that runs past it.
  if (*count > file.data.size()) return;
  std::optional<std::uint64_t> next = file.U32(entries + entryBytes * *count);
  if (big) next = file.U64(entries + entryBytes * *count);
  // More than one page (or a directory that runs past the end): the resolution stays.
  if (!next || *next != 0) return;
  for (std::uint64_t i = 0; i < *count; ++i) {
    std::uint64_t entry = entries + entryBytes * i;
    auto tag = file.U16(entry);
    auto type = file.U16(entry + 2);
    if (!tag || !type || *type != kTiffTypeRational) continue;
    std::optional<std::uint32_t> offset = file.U32(entry + 8);
    if (!big && !offset) continue;
    auto value = file.Rational(big ? entry + 12 : *offset);
    if (!value) continue;
    if (*tag == kTagXResolution) dpi.x = static_cast<float>(*value);
    if (*tag == kTagYResolution) dpi.y = static_cast<float>(*value);
  }
  if (dpi.y < 10) dpi.y = 300;
  if (dpi.x < 10) dpi.x = 300;
}

// Which reader a format has and what it falls back to.
struct FormatReader {
  void (*read)(std::string_view, Resolution&);
  float fallback;
};

FormatReader ReaderOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png:
      return {PngResolution, 300};
    case ImageFormat::Jpeg:
      return {JpegResolution, 300};
    case ImageFormat::Bmp:
      return {BmpResolution, 150};
    case ImageFormat::Tiff:
      return {TiffResolution, 300};
    case ImageFormat::Psd:
      return {PsdResolution, 300};
    case ImageFormat::Gif:
      return {nullptr, 150};
    case ImageFormat::WebP:
      return {[](std::string_view bytes, Resolution& dpi) {
                dpi = ReadExifResolution(ImageFormat::WebP, bytes).value_or(dpi);
              },
              300};
    case ImageFormat::Heif:
      return {[](std::string_view bytes, Resolution& dpi) {
                dpi = ReadExifResolution(ImageFormat::Heif, bytes).value_or(dpi);
              },
              300};
    default:
      return {nullptr, 300};
  }
}

// A zero, broken or absurd density would make the printed size vanish or explode.
float WithinRange(float dpi, float fallback) {
  return std::isfinite(dpi) && dpi >= kLowestDpi && dpi <= kHighestDpi ? dpi : fallback;
}

}  // namespace

void PngResolution(std::string_view bytes, Resolution& dpi) {
  dpi = {};
  std::size_t at = bytes.size() > 3 ? bytes.find("pHYs", 3) : std::string_view::npos;
  if (at == std::string_view::npos) return;
  ByteReader file{bytes};
  auto x = file.U32(at + 4);
  auto y = file.U32(at + 8);
  // A vertical density whose third byte is 0 counts as absent: below 6.5 dpi in any real file.
  if (!x || !y || (*y & 0xFF00) == 0) return;
  dpi = {PerMetreToDpi(*x), PerMetreToDpi(*y)};
}

void JpegResolution(std::string_view bytes, Resolution& dpi) {
  Resolution found = JfifOrExifResolution(Window(bytes, 0, kJpegHeadBytes));
  if (found.x <= 10 || found.x > 1000 || found.y <= 10 || found.y > 1000) found = {};
  dpi = found;
}

void BmpResolution(std::string_view bytes, Resolution& dpi) {
  ByteReader head{Window(bytes, 0, kBmpHeadBytes), false};
  // OS/2 headers (12 bytes) have no density fields: offset 38 would be pixels.
  auto headerSize = head.U32(14);
  auto x = head.U32(38);
  auto y = head.U32(42);
  if (!headerSize || *headerSize < 40 || !x || !y || PerMetreToDpi(*x) < 5) {
    dpi = {150, 150};
    return;
  }
  dpi = {PerMetreToDpi(*x), PerMetreToDpi(*y)};
}

void TiffResolution(std::string_view bytes, Resolution& dpi) {
  ByteReader file{bytes};
  std::string_view order = Window(bytes, 0, 2);
  if (order != "MM" && order != "II") return;
  file.bigEndian = order == "MM";
  auto magic = file.U16(2);
  const bool big = magic == 43u;
  std::optional<std::uint64_t> directory = file.U32(4);
  if (big) directory = file.U64(8);
  if (!magic || (*magic != 42 && !big) || !directory) return;
  ReadTiffDirectory(file, *directory, big, dpi);
}

void PsdResolution(std::string_view bytes, Resolution& dpi) {
  constexpr std::string_view kResolutionInfo("8BIM\x03\xED", 6);
  dpi = {};
  std::string_view head = Window(bytes, 0, kPsdHeadBytes);
  std::size_t at = head.size() > 3 ? head.find(kResolutionInfo, 3) : std::string_view::npos;
  if (at == std::string_view::npos) return;
  // The integer parts of the two 16.16 fixed-point resolutions.
  ByteReader file{head};
  auto x = file.U16(at + 12);
  auto y = file.U16(at + 20);
  if (x && y) dpi = {static_cast<float>(*x), static_cast<float>(*y)};
}

FileResolution ResolutionOf(ImageFormat format, std::string_view bytes) {
  const FormatReader reader = ReaderOf(format);
  FileResolution result{FormatClassOf(format), {reader.fallback, reader.fallback}};
  if (reader.read) reader.read(bytes, result.dpi);
  result.dpi.x = WithinRange(result.dpi.x, reader.fallback);
  result.dpi.y = WithinRange(result.dpi.y, reader.fallback);
  return result;
}

FileResolution ReadFileResolution(const std::filesystem::path& path) {
  std::optional<std::string> bytes = ReadFileHead(path, kWholeFile);
  if (!bytes) return {};
  return ResolutionOf(SniffFormat(*bytes).format, *bytes);
}

}  // namespace nvx
