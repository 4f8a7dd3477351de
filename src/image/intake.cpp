#include "image/intake.h"

#include <IL/il.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "image/background.h"
#include "image/devil_errors.h"
#include "image/page_fit.h"
#include "image/resolution.h"
#include "platform/folders.h"
#include "platform/huge_pages.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr std::size_t kTitleEntry = 0;
constexpr std::size_t kBackgroundStatusEntry = 37;
constexpr std::size_t kConversionStatusEntry = 38;
constexpr std::uint64_t kBytesPerPixel = 5;

// A private copy of the file in the temporary folder, so the file the user
// chose stays untouched and unlocked while DevIL reads; removed when done.
class TempCopy {
 public:
  explicit TempCopy(const std::filesystem::path& source) : path_(source) {
    const std::filesystem::path name =
        platform::CreateTempFile("Vtemp", source.extension().string());
    if (name.empty()) return;  // no copy: DevIL reads the file itself
    std::error_code ec;
    std::filesystem::copy_file(source, name, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
      std::filesystem::remove(name, ec);
      return;
    }
    path_ = name;
    owned_ = true;
  }
  ~TempCopy() { Remove(); }
  TempCopy(const TempCopy&) = delete;
  TempCopy& operator=(const TempCopy&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  void Remove() {
    if (!owned_) return;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    owned_ = false;
  }

 private:
  std::filesystem::path path_;
  bool owned_ = false;
};

// One DevIL image name, bound while it lives; deleted as soon as its pixels
// are copied out, since DevIL keeps the whole decoded image otherwise.
class DevilImage {
 public:
  DevilImage() { ilGenImages(1, &name_); }
  ~DevilImage() { Release(); }
  DevilImage(const DevilImage&) = delete;
  DevilImage& operator=(const DevilImage&) = delete;

  ILuint Name() const { return name_; }
  void Release() {
    if (name_ == 0) return;
    ilBindImage(0);
    ilDeleteImages(1, &name_);
    name_ = 0;
  }

 private:
  ILuint name_ = 0;
};

std::string StripQuotes(std::string_view path) {
  while (!path.empty() && path.front() == '"') path.remove_prefix(1);
  while (!path.empty() && path.back() == '"') path.remove_suffix(1);
  return std::string(path);
}

// The load up to the RGBA pixels in result.image; false when it ended.
class PixelDecoder {
 public:
  PixelDecoder(const TextTable& texts, const UiHooks& hooks, LoadResult& result)
      : title_(texts[kTitleEntry]), hooks_(hooks), result_(result) {}

  bool Decode(const std::filesystem::path& path, bool flip) {
    InitDevil();
    TempCopy copy(path);
    DrainDevilErrors();
    hooks_.Progress(1);
    ilEnable(IL_ORIGIN_SET);
    if (DevilFailed()) return false;
    ilOriginFunc(flip ? IL_ORIGIN_LOWER_LEFT : IL_ORIGIN_UPPER_LEFT);
    if (DevilFailed()) return false;
    DevilImage image;
    if (DevilFailed()) return false;
    ilBindImage(image.Name());
    if (DevilFailed()) return false;
    bool loaded = ilLoadImage(copy.Path().c_str()) != IL_FALSE;
    copy.Remove();
    // DevIL sometimes refuses a file without saying why; its empty image must not go on.
    if (!loaded) {
      if (!DevilFailed()) Fail(kUnreadableImageText);
      return false;
    }
    return CopyPixels(image);
  }

 private:
  bool DevilFailed() {
    result_.message = CheckDevilError(hooks_, title_);
    return !result_.message.empty();
  }

  bool Fail(std::string_view text, MessageIcon icon = MessageIcon::Error) {
    result_.message = text;
    hooks_.Show({title_, std::string(text), icon});
    return false;
  }

  bool CopyPixels(DevilImage& image) {
    ILint width = 0;
    ILint height = 0;
    ilGetIntegerv(IL_IMAGE_HEIGHT, &height);
    if (DevilFailed()) return false;
    ilGetIntegerv(IL_IMAGE_WIDTH, &width);
    if (DevilFailed()) return false;
    if (width < 1 || height < 1 || static_cast<long long>(width) * height < 2) {
      return Fail(kTooSmallImageText);
    }
    auto buffer = AllocateImageBuffer(width, height);
    if (!buffer) {
      result_.status = LoadStatus::OutOfMemory;
      result_.message = kOutOfMemoryText;
      hooks_.Show({std::string(kOutOfMemoryTitle), std::string(kOutOfMemoryText)});
      return false;
    }
    hooks_.Progress(5);
    if (ilCopyPixels(0, 0, 0, width, height, 1, IL_RGBA, IL_UNSIGNED_BYTE, buffer->data()) == 0) {
      Fail(kFailedToConvertText, MessageIcon::Exclamation);
      DevilFailed();
      if (result_.message.empty()) result_.message = kFailedToConvertText;
      return false;
    }
    image.Release();
    result_.image.buffer = std::move(*buffer);
    result_.image.widthPx = width;
    result_.image.heightPx = height;
    hooks_.Progress(25);
    return true;
  }

  std::string title_;
  const UiHooks& hooks_;
  LoadResult& result_;
};

// Background removal, the size check and the page fit, on the RGBA pixels.
void FinishLoad(const LoadOptions& options, const SettingsFiles& settings, const TextTable& texts,
                const UiHooks& hooks, LoadResult& result) {
  WorkingImage& image = result.image;
  hooks.Status(texts[kBackgroundStatusEntry]);
  RemoveBackground(image, options.backgroundRemoval,
                   ReadSettingNumber(settings, keys::kActive, keys::kJpegArtifact), hooks);
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(image.widthPx) * static_cast<std::uint64_t>(image.heightPx);
  if (pixels * 4 != image.buffer.size() / kBytesPerPixel * 4) return;
  hooks.Status(texts[kConversionStatusEntry]);
  result.rotate = FitToPage(image, options.printableWidthPt, options.printableHeightPt);
  result.zoomText = FormatZoomText(image.zoomFactor);
  result.status = LoadStatus::Loaded;
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

LoadResult LoadImageFile(std::string_view pathText, const LoadOptions& options,
                         const SettingsFiles& settings, const TextTable& texts,
                         const UiHooks& hooks) {
  WriteSetting(settings, keys::kActive, kCropKey, "0");
  hooks.Progress(1);
  const std::filesystem::path path = StripQuotes(pathText);
  LoadResult result;
  if (!PixelDecoder(texts, hooks, result).Decode(path, options.flip)) return result;
  FileResolution file = ReadFileResolution(path);
  result.image.formatClass = file.formatClass;
  result.image.dpiX = file.dpi.x;
  result.image.dpiY = file.dpi.y;
  hooks.Progress(70);
  FinishLoad(options, settings, texts, hooks, result);
  return result;
}

}  // namespace nvx
