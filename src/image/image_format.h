#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace nvx {

// The kind of an image file, told by its first bytes; the file's name plays no part.
enum class ImageFormat {
  Unknown,
  Png,
  Jpeg,
  Gif,
  Tiff,
  Bmp,
  Psd,
  WebP,
  Heif,
  Other,
  Pdf,
  Svg,
  Eps
};

// True for artwork drawn as shapes (PDF, SVG, EPS and PostScript): rendered at
// a chosen resolution onto transparent paper rather than decoded.
bool IsVector(ImageFormat format);

inline constexpr int kMinRenderDpi = 72;
inline constexpr int kDefaultRenderDpi = 300;
inline constexpr int kMaxRenderDpi = 1200;
// How a vector page is rendered: its resolution and which page (from 1).
struct RenderRequest {
  int dpi = kDefaultRenderDpi;
  int page = 1;
};

// The most pixels an image may have: a print's raster holds at most 1 GiB of
// five-byte pixels (A4 at 1200 dpi is 139 million); a header or page box that
// declares more is refused.
inline constexpr std::uint64_t kMaxImagePixels = (std::uint64_t{1} << 30) / 5;
// The renderer's reason when a page box needs more pixels than that at the
// chosen resolution; the intake shows its memory message for it.
inline constexpr std::string_view kPageTooLargeText = "PAGE TOO LARGE";

struct SniffedFormat {
  ImageFormat format = ImageFormat::Unknown;
  // What the file is, in words ("WebP", "PDF document"); empty when not recognised.
  std::string_view name;
};

// Bytes enough for every signature SniffFormat knows.
inline constexpr std::size_t kSniffBytes = 4096;

SniffedFormat SniffFormat(std::string_view head);

// True for the formats the program decodes.
bool IsReadable(ImageFormat format);

// Why a file of this kind cannot be loaded, as the user reads it.
std::string UnreadableFormatText(const SniffedFormat& sniffed);

// 1 for the lossless formats (PNG, GIF, TIFF, BMP, PSD), 2 for JPEG, 0 for
// every other kind (WebP and HEIC, mostly lossy, included): background removal
// allows a tolerance for all but class 1.
int FormatClassOf(ImageFormat format);

// The pixel size the file's header declares, when it can be read.
struct DeclaredSize {
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  std::uint64_t Pixels() const { return width * height; }
};
std::optional<DeclaredSize> ReadDeclaredSize(ImageFormat format, std::string_view bytes);

// True when the file itself says that none of its pixels can be transparent:
// every JPEG, and a PNG without an alpha channel or a transparent colour
// (tRNS) before its image data. Nothing is promised for other files.
bool DeclaresOpaque(ImageFormat format, std::string_view bytes);

// Up to `maxBytes` from the start of the file; nullopt when it cannot be read.
std::optional<std::string> ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace nvx
