#include "image/intake.h"

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "image/background.h"
#include "image/colour.h"
#include "image/decode_child.h"
#include "image/image_format.h"
#include "image/orientation.h"
#include "image/page_fit.h"
#include "image/resolution.h"
#include "lang/text_entries.h"
#include "platform/huge_pages.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr std::uint64_t kBytesPerPixel = 5;

// More pixels than the largest paper (A3) holds at 1200 dpi (279 million) can
// only be scaled away; a header that declares them is a decompression bomb.
constexpr std::uint64_t kMaxImagePixels = 300'000'000;
// Files beyond this are not images we could print either.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{2} << 30;

std::string StripQuotes(std::string_view path) {
  while (!path.empty() && path.front() == '"') path.remove_prefix(1);
  while (!path.empty() && path.back() == '"') path.remove_suffix(1);
  return std::string(path);
}

// The load up to the RGBA pixels in `loaded.image`; a failure when it ended.
class PixelLoader {
 public:
  PixelLoader(const UiHooks& hooks, LoadedImage& loaded) : hooks_(hooks), loaded_(loaded) {}

  // `bytes` are the file's, held in `input` for the decoder.
  Status Load(const platform::SharedMemory& input, std::string_view bytes, ImageFormat format,
              bool flip) {
    std::optional<DeclaredSize> declared = ReadDeclaredSize(format, bytes);
    if (declared && declared->Pixels() > kMaxImagePixels)
      return OutOfMemory(OutOfMemoryMessage(1).text);
    hooks_.Progress(5);
    Result<ChildDecoded> decoded = DecodeInChild(format, input, declared ? declared->Pixels() : 0);
    if (!decoded) return Fail(decoded.failure().message);
    orientation_ = ReadExifOrientation(format, bytes);
    const bool swap = SwapsAxes(orientation_);
    const int width = swap ? decoded->height : decoded->width;
    const int height = swap ? decoded->width : decoded->height;
    auto buffer = AllocateImageBuffer(width, height);
    if (!buffer) return OutOfMemory(OutOfMemoryMessage(1).text);
    CopyUpright(decoded->pixels, decoded->width, decoded->height, orientation_, flip,
                buffer->data());
    loaded_.image.buffer = std::move(*buffer);
    loaded_.image.widthPx = width;
    loaded_.image.heightPx = height;
    hooks_.Progress(25);
    return {};
  }

  int Orientation() const { return orientation_; }

 private:
  const UiHooks& hooks_;
  LoadedImage& loaded_;
  int orientation_ = 1;
};

// Background removal, the size check and the page fit, on the RGBA pixels.
Status FinishLoad(const LoadOptions& options, const SettingsFiles& settings, const TextTable& texts,
                  const UiHooks& hooks, LoadedImage& loaded) {
  WorkingImage& image = loaded.image;
  hooks.Status(texts[entry::kBackgroundRemovalStatus]);
  RemoveBackground(image, options.backgroundRemoval,
                   ReadSettingNumber(settings, keys::kActive, keys::kJpegArtifact), hooks);
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(image.widthPx) * static_cast<std::uint64_t>(image.heightPx);
  // Pixels that do not fill the buffer are no image: said so, never a silent failure.
  if (pixels * 4 != image.buffer.size() / kBytesPerPixel * 4)
    return Fail(std::string(kUnreadableImageText));
  hooks.Status(texts[entry::kConversionStatus]);
  loaded.rotate = FitToPage(image, options.printableWidthPt, options.printableHeightPt);
  loaded.zoomText = FormatZoomText(image.zoomFactor);
  return {};
}

}  // namespace

std::optional<std::vector<std::uint8_t>> AllocateImageBuffer(long long width, long long height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t limit = std::vector<std::uint8_t>().max_size();
  if (h > limit / kBytesPerPixel / w) return std::nullopt;
  try {
    std::vector<std::uint8_t> buffer;
    platform::ResizeOnHugePages(buffer, w * h * kBytesPerPixel);
    return buffer;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

Result<LoadedImage> LoadImageFile(std::string_view pathText, const LoadOptions& options,
                                  const SettingsFiles& settings, const TextTable& texts,
                                  const UiHooks& hooks) {
  WriteSetting(settings, keys::kActive, kCropKey, "0");
  hooks.Progress(1);
  const std::filesystem::path path = StripQuotes(pathText);
  LoadedImage loaded;
  PixelLoader loader(hooks, loaded);
  // The whole file, read once into the memory the decoder reads: the
  // resolution reader and the orientation read the same bytes, and the user's
  // file is not held open.
  Result<platform::SharedMemory> input = platform::SharedMemory::Create();
  if (!input) return Fail(input.failure().message);
  const std::optional<std::string_view> bytes = input->FillFromFile(path, kMaxFileBytes);
  if (!bytes) return Fail(std::string(kUnableToOpenText));
  const SniffedFormat sniffed = SniffFormat(*bytes);
  if (!IsReadable(sniffed.format)) {
    return Fail(std::string(kUnreadableImageText) + " " + UnreadableFormatText(sniffed));
  }
  hooks.Progress(1);
  if (Status pixels = loader.Load(*input, *bytes, sniffed.format, options.flip); !pixels) {
    return pixels.failure();
  }
  FileResolution file = ResolutionOf(sniffed.format, *bytes);
  if (SwapsAxes(loader.Orientation())) std::swap(file.dpi.x, file.dpi.y);
  loaded.image.formatClass = file.formatClass;
  loaded.image.dpiX = file.dpi.x;
  loaded.image.dpiY = file.dpi.y;
  hooks.Progress(70);
  if (Status finished = FinishLoad(options, settings, texts, hooks, loaded); !finished) {
    return finished.failure();
  }
  return loaded;
}

}  // namespace nvx
