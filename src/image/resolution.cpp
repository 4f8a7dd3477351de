#include "image/resolution.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

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

// Bytes read from the start of a file; every read is checked against their
// length, so a truncated or hostile file gives "nothing there", never a stray read.
struct ByteView {
  std::string_view data;
  bool bigEndian = true;

  std::optional<std::uint32_t> Read(std::uint64_t offset, int count) const {
    if (offset > data.size() || data.size() - offset < static_cast<std::uint64_t>(count)) {
      return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
      int index = bigEndian ? i : count - 1 - i;
      value = (value << 8) | static_cast<std::uint8_t>(data[offset + index]);
    }
    return value;
  }
  std::optional<std::uint32_t> U8(std::uint64_t offset) const { return Read(offset, 1); }
  std::optional<std::uint32_t> U16(std::uint64_t offset) const { return Read(offset, 2); }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const { return Read(offset, 4); }

  // numerator / denominator of the rational at offset; a zero denominator gives 0.
  std::optional<double> Rational(std::uint64_t offset) const {
    auto numerator = U32(offset);
    auto denominator = U32(offset + 4);
    if (!numerator || !denominator) return std::nullopt;
    if (*denominator == 0) return 0.0;
    return static_cast<double>(*numerator) / *denominator;
  }
};

std::string ReadHead(const std::filesystem::path& path, std::size_t maxBytes) {
  std::error_code ec;
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) return {};
  std::string data(static_cast<std::size_t>(std::min<std::uintmax_t>(size, maxBytes)), '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<std::size_t>(in.gcount()));
  return data;
}

std::string_view Window(std::string_view bytes, std::size_t offset, std::size_t length) {
  return offset < bytes.size() ? bytes.substr(offset, length) : std::string_view();
}

float PerMetreToDpi(std::uint32_t pixelsPerMetre) {
  return static_cast<float>(pixelsPerMetre / kPixelsPerMetrePerDpi);
}

// The Exif resolution tag `tag`, searched for in the whole head as the file
// writes it, its rational found through the TIFF header at offset 12.
std::optional<double> ExifRational(const ByteView& head, std::uint32_t tag) {
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
  ByteView head{bytes};
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

void ReadTiffDirectory(const ByteView& file, std::uint32_t directory, Resolution& dpi) {
  auto count = file.U16(directory);
  if (!count) return;
  std::uint64_t entries = static_cast<std::uint64_t>(directory) + 2;
  auto next = file.U32(entries + 12ull * *count);
  // More than one page (or a directory that runs past the end): the resolution stays.
  if (!next || *next != 0) return;
  for (std::uint32_t i = 0; i < *count; ++i) {
    std::uint64_t entry = entries + 12ull * i;
    auto tag = file.U16(entry);
    auto type = file.U16(entry + 2);
    auto valueOffset = file.U32(entry + 8);
    if (!tag || !type || !valueOffset || *type != kTiffTypeRational) continue;
    auto value = file.Rational(*valueOffset);
    if (!value) continue;
    if (*tag == kTagXResolution) dpi.x = static_cast<float>(*value);
    if (*tag == kTagYResolution) dpi.y = static_cast<float>(*value);
  }
  if (dpi.y < 10) dpi.y = 300;
  if (dpi.x < 10) dpi.x = 300;
}

bool Usable(float dpi) { return std::isfinite(dpi) && dpi > 0; }

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

struct FormatReader {
  std::string_view extension;
  int formatClass;
  void (*read)(const std::filesystem::path&, Resolution&);
};

constexpr std::array<FormatReader, 6> kReaders{{
    {".png", 1, ReadResolutionPng},
    {".jpg", 2, ReadResolutionJpeg},
    {".gif", 1, ReadResolutionGif},
    {".tif", 1, ReadResolutionTiff},
    {".bmp", 1, ReadResolutionBmp},
    {".psd", 1, ReadResolutionPsd},
}};

}  // namespace

void PngResolution(std::string_view bytes, Resolution& dpi) {
  dpi = {};
  std::size_t at = bytes.size() > 3 ? bytes.find("pHYs", 3) : std::string_view::npos;
  if (at == std::string_view::npos) return;
  ByteView file{bytes};
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
  ByteView head{Window(bytes, 0, kBmpHeadBytes), false};
  auto x = head.U32(38);
  auto y = head.U32(42);
  if (!x || !y || PerMetreToDpi(*x) < 5) {
    dpi = {150, 150};
    return;
  }
  dpi = {PerMetreToDpi(*x), PerMetreToDpi(*y)};
}

void TiffResolution(std::string_view bytes, Resolution& dpi) {
  ByteView file{bytes};
  std::string_view order = Window(bytes, 0, 2);
  if (order != "MM" && order != "II") return;
  file.bigEndian = order == "MM";
  auto magic = file.U16(2);
  auto directory = file.U32(4);
  if (!magic || *magic != 42 || !directory) return;
  ReadTiffDirectory(file, *directory, dpi);
}

void PsdResolution(std::string_view bytes, Resolution& dpi) {
  constexpr std::string_view kResolutionInfo("8BIM\x03\xED", 6);
  dpi = {};
  std::string_view head = Window(bytes, 0, kPsdHeadBytes);
  std::size_t at = head.size() > 3 ? head.find(kResolutionInfo, 3) : std::string_view::npos;
  if (at == std::string_view::npos) return;
  // The integer parts of the two 16.16 fixed-point resolutions.
  ByteView file{head};
  auto x = file.U16(at + 12);
  auto y = file.U16(at + 20);
  if (x && y) dpi = {static_cast<float>(*x), static_cast<float>(*y)};
}

void ReadResolutionPng(const std::filesystem::path& path, Resolution& dpi) {
  PngResolution(ReadHead(path, kWholeFile), dpi);
}

void ReadResolutionJpeg(const std::filesystem::path& path, Resolution& dpi) {
  JpegResolution(ReadHead(path, kJpegHeadBytes), dpi);
}

void ReadResolutionGif(const std::filesystem::path&, Resolution& dpi) { dpi = {150, 150}; }

void ReadResolutionBmp(const std::filesystem::path& path, Resolution& dpi) {
  BmpResolution(ReadHead(path, kBmpHeadBytes), dpi);
}

void ReadResolutionTiff(const std::filesystem::path& path, Resolution& dpi) {
  TiffResolution(ReadHead(path, kWholeFile), dpi);
}

void ReadResolutionPsd(const std::filesystem::path& path, Resolution& dpi) {
  PsdResolution(ReadHead(path, kPsdHeadBytes), dpi);
}

int FormatClass(std::string_view path) {
  std::string lower = LowerCase(path);
  int formatClass = 0;
  for (const FormatReader& reader : kReaders) {
    if (lower.find(reader.extension) != std::string::npos) formatClass = reader.formatClass;
  }
  return formatClass;
}

FileResolution ReadFileResolution(const std::filesystem::path& path) {
  std::string lower = LowerCase(path.string());
  FileResolution result;
  for (const FormatReader& reader : kReaders) {
    if (lower.find(reader.extension) == std::string::npos) continue;
    result.formatClass = reader.formatClass;
    reader.read(path, result.dpi);
  }
  // A zero or broken density would make the printed size infinite.
  if (!Usable(result.dpi.x)) result.dpi.x = 300;
  if (!Usable(result.dpi.y)) result.dpi.y = 300;
  return result;
}

}  // namespace nvx
