#include "image/intake.h"

#include <algorithm>
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
#include "platform/readable_file.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr std::uint64_t kBytesPerPixel = 5;

// Files beyond this are not images we could print either.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{2} << 30;
// The first bytes of a file, read before the rest: every signature, and the
// size of most headers.
constexpr std::size_t kHeadBytes = 64 << 10;
// While an image loads, the decoder's pixels (4 bytes each) and the working
// image (5) are held at once.
constexpr std::uint64_t kLoadBytesPerPixel = 9;

std::string StripQuotes(std::string_view path) {
  while (!path.empty() && path.front() == '"') path.remove_prefix(1);
  while (!path.empty() && path.back() == '"') path.remove_suffix(1);
  return std::string(path);
}

// The load up to the RGBA pixels in `loaded.image`; a failure when it ended.
class PixelLoader {
 public:
  PixelLoader(const UiHooks& hooks, LoadedImage& loaded) : hooks_(hooks), loaded_(loaded) {}

  // A failure when the size the header declares is more than a print can take
  // or more than the memory the load may have: refused before a decoder spends
  // its time and memory on it.
  static Status CheckDeclaredSize(std::optional<DeclaredSize> declared) {
    if (!declared) return {};
    const std::uint64_t limit =
        std::min(kMaxImagePixels, platform::MemoryCeiling() / kLoadBytesPerPixel);
    if (declared->width <= limit && declared->height <= limit && declared->Pixels() <= limit) {
      return {};
    }
    return Fail("The image is too large: " + std::to_string(declared->width) + " x " +
                std::to_string(declared->height) + " pixels, where at most " +
                std::to_string(limit / 1'000'000) +
                " million can be printed here. Reduce its size or resolution.");
  }

  // `bytes` are the file's, held in `input` for the decoder; they are let go
  // once decoded.
  Status Load(platform::SharedMemory& input, std::string_view bytes, ImageFormat format,
              const LoadOptions& options) {
    std::optional<DeclaredSize> declared = ReadDeclaredSize(format, bytes);
    if (Status size = CheckDeclaredSize(declared); !size) return size;
    hooks_.Progress(5);
    // Read before the child starts: it gives back the file's bytes as it decodes them.
    orientation_ = ReadExifOrientation(format, bytes);
    const bool opaque = DeclaresOpaque(format, bytes);
    ChildDecode decode =
        ChildDecode::Start(format, input, declared ? declared->Pixels() : 0, options.render);
    // Rows are copied as the child decodes them, unless the image needs a
    // quarter turn (all of it at once) or is vector artwork (its page box
    // comes with the end).
    const bool early = !IsVector(format) && !SwapsAxes(orientation_);
    if (Status started = early ? decode.WaitForRows(0) : decode.Finish(); !started) {
      return LoadFailure(started.failure());
    }
    if (!early) input.ReleasePages(0, bytes.size());
    ChildDecoded& decoded = decode.Decoded();
    if (IsVector(format)) NoteVectorPage(decoded);
    const bool swap = SwapsAxes(orientation_);
    const int width = swap ? decoded.height : decoded.width;
    const int height = swap ? decoded.width : decoded.height;
    loaded_.image.widthPx = width;
    loaded_.image.heightPx = height;
    if (options.keepDecoded) {
      // The print reads the pixels where the decoder puts them, each row once
      // the child has decoded it: the conversion runs beside the decode.
      const PixelWalk upright =
          UprightWalk(decoded.width, decoded.height, orientation_, options.flip);
      if (!early) {
        loaded_.decoded = std::make_shared<DecodedPixels>(
            DecodedPixels{std::move(decoded), upright, width, BackgroundRule(), {}});
      } else {
        auto running = std::make_shared<ChildDecode>(std::move(decode));
        loaded_.decoded = std::make_shared<DecodedPixels>(
            DecodedPixels{running->TakeDecoded(), upright, width, BackgroundRule(), {}});
        // The last rows wait for the decoder's answer: a file that fails after
        // its pixels fails as it would have before a row was read.
        loaded_.decoded->awaitRows =
            [running, height = loaded_.decoded->decoded.height](int rows) -> Status {
          Status ready = rows >= height ? running->Finish() : running->WaitForRows(rows);
          if (!ready) return LoadFailure(ready.failure());
          return {};
        };
      }
      loaded_.decoded->opaque = opaque;
      hooks_.Progress(25);
      return {};
    }
    auto buffer = AllocateImageBuffer(width, height);
    if (!buffer) return OutOfMemory(OutOfMemoryMessage(1).text);
    Status copied = CopyDecoded(decode, options.flip, buffer->data());
    if (copied) copied = decode.Finish();
    if (!copied) return LoadFailure(copied.failure());
    if (early) input.ReleasePages(0, bytes.size());
    // The fifth the colour conversion grows into starts blank.
    const std::size_t rgbaBytes = buffer->size() / kBytesPerPixel * 4;
    std::fill(buffer->begin() + static_cast<std::ptrdiff_t>(rgbaBytes), buffer->end(), 0);
    loaded_.image.buffer = std::move(*buffer);
    hooks_.Progress(25);
    return {};
  }

  int Orientation() const { return orientation_; }

  // A decoder's failure as the load reports it.
  static Failure LoadFailure(const Failure& failure) {
    if (failure.kind == Failure::Kind::OutOfMemory) return OutOfMemory(OutOfMemoryMessage(1).text);
    return Fail(failure.message);
  }

  // Upright into `out`; without a quarter turn each band of rows as soon as
  // the child has decoded it, and the child's pixels are let go in bands as
  // they are copied, so they and the image are never both held whole.
  Status CopyDecoded(ChildDecode& decode, bool flip, std::uint8_t* out) const {
    ChildDecoded& decoded = decode.Decoded();
    if (SwapsAxes(orientation_)) {
      CopyUpright(decoded.pixels, decoded.width, decoded.height, orientation_, flip, out);
      return {};
    }
    constexpr int kBandRows = 64;
    const std::size_t rowBytes = static_cast<std::size_t>(decoded.width) * 4;
    for (int first = 0; first < decoded.height; first += kBandRows) {
      const int end = std::min(decoded.height, first + kBandRows);
      const int from = UprightSourceRow(first, decoded.height, orientation_, flip);
      const int to = UprightSourceRow(end - 1, decoded.height, orientation_, flip);
      if (Status rows = decode.WaitForRows(std::max(from, to) + 1); !rows) return rows;
      CopyUprightRows(decoded.pixels, decoded.width, decoded.height, orientation_, flip, out, first,
                      end);
      decoded.memory.ReleasePages(std::min(from, to) * rowBytes, (end - first) * rowBytes);
    }
    return {};
  }

  // Vector artwork prints at its page box: the resolution is the one that
  // turns the rendered pixels into the box's points.
  void NoteVectorPage(const ChildDecoded& page) {
    vectorDpi_ = Resolution{static_cast<float>(page.width * 72.0 / page.widthPt),
                            static_cast<float>(page.height * 72.0 / page.heightPt)};
    loaded_.image.transparencyAlwaysCounts = true;
    loaded_.image.pageCount = page.pageCount;
  }
  const std::optional<Resolution>& VectorDpi() const { return vectorDpi_; }

 private:
  const UiHooks& hooks_;
  LoadedImage& loaded_;
  int orientation_ = 1;
  std::optional<Resolution> vectorDpi_;
};

struct ImageBytes {
  std::string_view bytes;  // the file's, in the memory the decoder reads
  ImageFormat format = ImageFormat::Unknown;
};

// Reads the file into `input` once, for the decoder, the resolution reader and
// the orientation alike. Its first bytes come first: a file that is not an
// image, or declares more pixels than the load can hold, is refused before the
// rest is read.
Result<ImageBytes> ReadImageFile(const std::filesystem::path& path, platform::SharedMemory& input) {
  Result<platform::ReadableFile> file = platform::ReadableFile::Open(path);
  if (!file) return Fail(std::string(kUnableToOpenText) + ": " + file.failure().message);
  const std::optional<std::string> head = file->ReadAt(0, kHeadBytes);
  if (!head) return Fail(std::string(kUnableToOpenText));
  const SniffedFormat sniffed = SniffFormat(*head);
  if (!IsReadable(sniffed.format)) {
    return Fail(std::string(kUnreadableImageText) + " " + UnreadableFormatText(sniffed));
  }
  const Status size = PixelLoader::CheckDeclaredSize(ReadDeclaredSize(sniffed.format, *head));
  if (!size) return size.failure();
  const std::optional<std::string_view> bytes = input.FillFromFile(*file, kMaxFileBytes);
  if (!bytes) return Fail(std::string(kUnableToOpenText));
  return ImageBytes{*bytes, sniffed.format};
}

// Background removal for pixels left where the decoder put them: decided as
// each pixel is read, so nothing is written to them. The transparency scan
// reads every pixel: it waits for the whole image.
Status NoteBackground(DecodedPixels& pixels, WorkingImage& image, bool removal,
                      long long tolerance) {
  const ChildDecoded& decoded = pixels.decoded;
  const auto first = static_cast<std::size_t>(pixels.upright.At(0, 0));
  if (pixels.awaitRows) {
    // A file that says it has no transparency is not scanned for it: only the
    // row of the upright image's first pixel need be there.
    const int rows = pixels.opaque ? static_cast<int>(first / decoded.width) + 1 : decoded.height;
    if (Status ready = pixels.awaitRows(rows); !ready) return ready;
  }
  image.hasTransparency =
      !pixels.opaque &&
      FindTransparency(decoded.pixels, static_cast<std::size_t>(decoded.width) * decoded.height);
  pixels.background = BackgroundRule(decoded.pixels + 4 * first, removal, tolerance,
                                     image.formatClass, image.transparencyAlwaysCounts);
  return {};
}

// Background removal, the size check and the page fit, on the RGBA pixels.
Status FinishLoad(const LoadOptions& options, const SettingsFiles& settings, const TextTable& texts,
                  const UiHooks& hooks, LoadedImage& loaded) {
  WorkingImage& image = loaded.image;
  hooks.Status(texts[entry::kBackgroundRemovalStatus]);
  const long long tolerance = ReadSettingNumber(settings, keys::kActive, keys::kJpegArtifact);
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(image.widthPx) * static_cast<std::uint64_t>(image.heightPx);
  if (loaded.decoded) {
    if (pixels == 0) return Fail(std::string(kUnreadableImageText));
    Status noted = NoteBackground(*loaded.decoded, image, options.backgroundRemoval, tolerance);
    if (!noted) return noted;
  } else {
    RemoveBackground(image, options.backgroundRemoval, tolerance, hooks);
    // Pixels that do not fill the buffer are no image: said so, never a silent failure.
    if (pixels * 4 != image.buffer.size() / kBytesPerPixel * 4)
      return Fail(std::string(kUnreadableImageText));
  }
  hooks.Status(texts[entry::kConversionStatus]);
  loaded.rotate = FitToPage(image, options.printableWidthPt, options.printableHeightPt);
  loaded.zoomText = FormatZoomText(image.zoomFactor);
  return {};
}

}  // namespace

std::optional<RasterBytes> AllocateImageBuffer(long long width, long long height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t limit = std::vector<std::uint8_t>().max_size();
  if (h > limit / kBytesPerPixel / w) return std::nullopt;
  try {
    RasterBytes buffer;
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
  Result<platform::SharedMemory> input = platform::SharedMemory::Create();
  if (!input) return Fail(input.failure().message);
  const Result<ImageBytes> read = ReadImageFile(path, *input);
  if (!read) return read.failure();
  hooks.Progress(1);
  // Read before the load lets the file's bytes go.
  FileResolution file = ResolutionOf(read->format, read->bytes);
  if (Status pixels = loader.Load(*input, read->bytes, read->format, options); !pixels) {
    return pixels.failure();
  }
  if (loader.VectorDpi()) file.dpi = *loader.VectorDpi();
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
