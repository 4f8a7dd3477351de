#include "image/image_format.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#include "image/byte_reader.h"

namespace nvx {
namespace {

struct Signature {
  std::size_t offset;
  std::string_view bytes;
  ImageFormat format;
  std::string_view name;
};

using namespace std::string_view_literals;

// Signatures of the formats we read and of those a user is likely to try.
constexpr std::array kSignatures{
    Signature{0, "\x89PNG\r\n\x1a\n"sv, ImageFormat::Png, "PNG"},
    Signature{0, "\xff\xd8\xff"sv, ImageFormat::Jpeg, "JPEG"},
    Signature{0, "GIF87a"sv, ImageFormat::Gif, "GIF"},
    Signature{0, "GIF89a"sv, ImageFormat::Gif, "GIF"},
    Signature{0, "II*\0"sv, ImageFormat::Tiff, "TIFF"},
    Signature{0, "MM\0*"sv, ImageFormat::Tiff, "TIFF"},
    Signature{0, "II+\0"sv, ImageFormat::Tiff, "BigTIFF"},
    Signature{0, "MM\0+"sv, ImageFormat::Tiff, "BigTIFF"},
    Signature{0, "BM"sv, ImageFormat::Bmp, "BMP"},
    Signature{0, "8BPS\0\x01"sv, ImageFormat::Psd, "Photoshop (PSD)"},
    Signature{0, "8BPS\0\x02"sv, ImageFormat::Other, "Photoshop large document (PSB)"},
    Signature{8, "WEBP"sv, ImageFormat::WebP, "WebP"},
    Signature{0, "\x8aMNG"sv, ImageFormat::Other, "MNG"},
    Signature{0, "\0\0\0\x0cjP  "sv, ImageFormat::Other, "JPEG 2000"},
    Signature{0, "\xff\x4f\xff\x51"sv, ImageFormat::Other, "JPEG 2000"},
    Signature{0, "\xff\x0a"sv, ImageFormat::Other, "JPEG XL"},
    Signature{0, "\0\0\0\x0cJXL "sv, ImageFormat::Other, "JPEG XL"},
    Signature{0, "II\xbc"sv, ImageFormat::Other, "JPEG XR"},
    Signature{0, "%PDF-"sv, ImageFormat::Pdf, "PDF"},
    Signature{0, "%!PS"sv, ImageFormat::Eps, "PostScript"},
    Signature{0, "\xc5\xd0\xd3\xc6"sv, ImageFormat::Eps, "EPS"},
    Signature{0, "/* XPM */"sv, ImageFormat::Other, "XPM"},
    Signature{0, "\0\0\x01\0"sv, ImageFormat::Other, "Windows icon (ICO)"},
    Signature{0, "\0\0\x02\0"sv, ImageFormat::Other, "Windows cursor (CUR)"},
    Signature{0, "DDS "sv, ImageFormat::Other, "DirectDraw surface (DDS)"},
    Signature{0, "\x76\x2f\x31\x01"sv, ImageFormat::Other, "OpenEXR"},
    Signature{0, "#?RADIANCE"sv, ImageFormat::Other, "Radiance HDR"},
    Signature{0, "\x01\xda"sv, ImageFormat::Other, "SGI"},
    Signature{0, "gimp xcf"sv, ImageFormat::Other, "GIMP (XCF)"},
    Signature{0, "PK\x03\x04"sv, ImageFormat::Other, "ZIP archive"},
};

// The brands of an ISO media file that mark a HEIF still image (HEIC) or AVIF.
SniffedFormat SniffIsoMedia(std::string_view head) {
  if (head.size() < 12 || head.substr(4, 4) != "ftyp") return {};
  const std::string_view brand = head.substr(8, 4);
  const std::string_view box = head.substr(0, std::min<std::size_t>(head.size(), 64));
  if (brand == "avif" || brand == "avis" || box.find("avif") != std::string_view::npos) {
    return {ImageFormat::Other, "AVIF"};
  }
  for (std::string_view heif : {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"}) {
    if (brand == heif) return {ImageFormat::Heif, "HEIF (HEIC)"};
  }
  return {ImageFormat::Other, "ISO media (MP4)"};
}

bool LooksLikePortableAnymap(std::string_view head) {
  return head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' &&
         (head[2] == '\n' || head[2] == '\r' || head[2] == ' ' || head[2] == '\t');
}

// An SVG root element, after an XML declaration, comments or a doctype when
// there are any, within the first kilobytes; a byte-order mark is skipped.
bool LooksLikeSvg(std::string_view head) {
  std::string_view text = head.substr(0, std::min<std::size_t>(head.size(), kSniffBytes));
  if (text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r' ||
                           text.front() == '\t')) {
    text.remove_prefix(1);
  }
  if (text.starts_with("<svg")) return true;
  if (!text.starts_with("<?xml") && !text.starts_with("<!--") && !text.starts_with("<!DOCTYPE"))
    return false;
  // The first element that is not a declaration, comment or doctype is the root.
  for (std::size_t at = text.find('<'); at != text.npos; at = text.find('<', at + 1)) {
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("<?") || rest.starts_with("<!")) continue;
    return rest.starts_with("<svg") || rest.starts_with("<svg:svg");
  }
  return false;
}

std::optional<DeclaredSize> PngSize(const ByteReader& file) {
  if (file.Text(12, 4) != "IHDR") return std::nullopt;
  auto w = file.U32(16);
  auto h = file.U32(20);
  if (!w || !h) return std::nullopt;
  return DeclaredSize{*w, *h};
}

// Grey, RGB and palette PNGs whose chunks up to the image data hold no tRNS.
bool PngDeclaresOpaque(const ByteReader& file) {
  constexpr std::uint32_t kGreyAlpha = 4;
  constexpr std::uint32_t kRgbAlpha = 6;
  const std::optional<std::uint32_t> colour = file.U8(25);
  if (file.Text(12, 4) != "IHDR" || !colour || *colour == kGreyAlpha || *colour == kRgbAlpha)
    return false;
  std::uint64_t at = 8;
  while (const std::optional<std::uint32_t> length = file.U32(at)) {
    const std::string_view type = file.Text(at + 4, 4);
    if (type == "IDAT") return true;
    if (type == "tRNS" || type.size() != 4) return false;
    at += std::uint64_t{12} + *length;
  }
  return false;
}

// The first frame header (SOFn) after the markers before it.
std::optional<DeclaredSize> JpegSize(const ByteReader& file) {
  std::uint64_t at = 2;
  while (true) {
    auto marker = file.U16(at);
    if (!marker || (*marker >> 8) != 0xFF) return std::nullopt;
    const unsigned code = *marker & 0xFF;
    if (code == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    auto length = file.U16(at + 2);
    if (!length) return std::nullopt;
    const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
    if (frame) {
      auto h = file.U16(at + 5);
      auto w = file.U16(at + 7);
      if (!w || !h) return std::nullopt;
      return DeclaredSize{*w, *h};
    }
    at += 2 + *length;
  }
}

std::optional<DeclaredSize> GifSize(const ByteReader& file) {
  auto w = file.U16(6);
  auto h = file.U16(8);
  if (!w || !h) return std::nullopt;
  return DeclaredSize{*w, *h};
}

std::optional<DeclaredSize> BmpSize(const ByteReader& file) {
  auto headerSize = file.U32(14);
  if (!headerSize) return std::nullopt;
  if (*headerSize == 12) {  // OS/2 1.x: 16-bit sizes
    auto w = file.U16(18);
    auto h = file.U16(20);
    if (!w || !h) return std::nullopt;
    return DeclaredSize{*w, *h};
  }
  auto w = file.U32(18);
  auto h = file.U32(22);
  if (!w || !h) return std::nullopt;
  // Sizes are signed: a negative height marks rows stored top first.
  auto magnitude = [](std::uint32_t v) {
    return static_cast<std::uint64_t>(
        std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(v))));
  };
  return DeclaredSize{magnitude(*w), magnitude(*h)};
}

// The first directory's width and height. A classic TIFF has 16-bit counts and
// 12-byte entries with 32-bit offsets; a BigTIFF 64-bit counts and offsets and
// 20-byte entries.
std::optional<DeclaredSize> TiffSize(ByteReader file) {
  file.bigEndian = file.Text(0, 2) == "MM";
  const bool big = file.U16(2) == 43u;
  std::optional<std::uint64_t> directory = file.U32(4);
  if (big) directory = file.U64(8);
  if (!directory) return std::nullopt;
  std::optional<std::uint64_t> count = file.U16(*directory);
  if (big) count = file.U64(*directory);
  if (!count) return std::nullopt;
  const std::uint64_t first = *directory + (big ? 8 : 2);
  const std::uint64_t entryBytes = big ? 20 : 12;
  const std::uint64_t valueAt = big ? 12 : 8;
  DeclaredSize size;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const std::uint64_t entry = first + entryBytes * i;
    auto tag = file.U16(entry);
    auto type = file.U16(entry + 2);
    if (!tag || !type) return std::nullopt;
    std::optional<std::uint32_t> value =
        *type == 3 ? file.U16(entry + valueAt)
                   : (*type == 4 ? file.U32(entry + valueAt) : std::nullopt);
    if (!value) continue;
    if (*tag == 256) size.width = *value;
    if (*tag == 257) size.height = *value;
  }
  if (size.width == 0 || size.height == 0) return std::nullopt;
  return size;
}

std::optional<DeclaredSize> PsdSize(const ByteReader& file) {
  auto h = file.U32(14);
  auto w = file.U32(18);
  if (!w || !h) return std::nullopt;
  return DeclaredSize{*w, *h};
}

std::optional<DeclaredSize> WebPSize(ByteReader file) {
  const std::string_view chunk = file.Text(12, 4);
  file.bigEndian = false;
  if (chunk == "VP8 ") {
    auto w = file.U16(26);
    auto h = file.U16(28);
    if (!w || !h) return std::nullopt;
    return DeclaredSize{*w & 0x3FFFu, *h & 0x3FFFu};
  }
  if (chunk == "VP8L") {
    auto bits = file.U32(21);
    if (!bits) return std::nullopt;
    return DeclaredSize{(*bits & 0x3FFFu) + 1, ((*bits >> 14) & 0x3FFFu) + 1};
  }
  if (chunk == "VP8X") {
    auto w = file.Read(24, 3);
    auto h = file.Read(27, 3);
    if (!w || !h) return std::nullopt;
    return DeclaredSize{*w + 1ull, *h + 1ull};
  }
  return std::nullopt;
}

// The largest image-spatial-extent property of the file: HEIF keeps each
// image's and each tile's size in an "ispe" box.
std::optional<DeclaredSize> HeifSize(const ByteReader& file) {
  std::optional<DeclaredSize> largest;
  for (std::size_t at = file.data.find("ispe"); at != std::string_view::npos;
       at = file.data.find("ispe", at + 4)) {
    auto w = file.U32(at + 8);
    auto h = file.U32(at + 12);
    if (!w || !h) break;
    DeclaredSize size{*w, *h};
    if (!largest || size.Pixels() > largest->Pixels()) largest = size;
  }
  return largest;
}

}  // namespace

SniffedFormat SniffFormat(std::string_view head) {
  for (const Signature& s : kSignatures) {
    if (head.size() >= s.offset + s.bytes.size() &&
        head.substr(s.offset, s.bytes.size()) == s.bytes) {
      if (s.format == ImageFormat::WebP && !head.starts_with("RIFF")) continue;
      return {s.format, s.name};
    }
  }
  if (SniffedFormat iso = SniffIsoMedia(head); iso.format != ImageFormat::Unknown) return iso;
  if (LooksLikePortableAnymap(head)) return {ImageFormat::Other, "portable anymap (PNM)"};
  if (LooksLikeSvg(head)) return {ImageFormat::Svg, "SVG"};
  return {};
}

bool IsReadable(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png:
    case ImageFormat::Jpeg:
    case ImageFormat::Gif:
    case ImageFormat::Tiff:
    case ImageFormat::Bmp:
    case ImageFormat::Psd:
    case ImageFormat::WebP:
    case ImageFormat::Heif:
    case ImageFormat::Pdf:
    case ImageFormat::Svg:
    case ImageFormat::Eps:
      return true;
    default:
      return false;
  }
}

bool IsVector(ImageFormat format) {
  return format == ImageFormat::Pdf || format == ImageFormat::Svg || format == ImageFormat::Eps;
}

std::string UnreadableFormatText(const SniffedFormat& sniffed) {
  constexpr std::string_view kReadable =
      "nvxprint reads PNG, JPEG, GIF, TIFF, BMP, PSD, WebP and HEIC images, and PDF, SVG, EPS "
      "and PostScript artwork.";
  if (sniffed.name.empty()) {
    return "This file is not an image nvxprint knows; " + std::string(kReadable);
  }
  return "This file is in the " + std::string(sniffed.name) + " format; " + std::string(kReadable);
}

int FormatClassOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png:
    case ImageFormat::Gif:
    case ImageFormat::Tiff:
    case ImageFormat::Bmp:
    case ImageFormat::Psd:
      return 1;
    case ImageFormat::Jpeg:
      return 2;
    default:
      return 0;
  }
}

std::optional<DeclaredSize> ReadDeclaredSize(ImageFormat format, std::string_view bytes) {
  const ByteReader file{bytes, true};
  switch (format) {
    case ImageFormat::Png:
      return PngSize(file);
    case ImageFormat::Jpeg:
      return JpegSize(file);
    case ImageFormat::Gif:
      return GifSize(ByteReader{bytes, false});
    case ImageFormat::Bmp:
      return BmpSize(ByteReader{bytes, false});
    case ImageFormat::Tiff:
      return TiffSize(file);
    case ImageFormat::Psd:
      return PsdSize(file);
    case ImageFormat::WebP:
      return WebPSize(file);
    case ImageFormat::Heif:
      return HeifSize(file);
    default:
      return std::nullopt;
  }
}

bool DeclaresOpaque(ImageFormat format, std::string_view bytes) {
  if (format == ImageFormat::Jpeg) return true;
  return format == ImageFormat::Png && PngDeclaresOpaque(ByteReader{bytes, true});
}

std::optional<std::string> ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) return std::nullopt;
  std::string data(static_cast<std::size_t>(std::min<std::uintmax_t>(size, maxBytes)), '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  if (in.bad()) return std::nullopt;
  data.resize(static_cast<std::size_t>(in.gcount()));
  return data;
}

}  // namespace nvx
