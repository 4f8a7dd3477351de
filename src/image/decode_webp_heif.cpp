#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "image/decode.h"
#include "platform/shared_library.h"

// WebP and HEIF (HEIC) through their own libraries, libwebp and libheif.
namespace nvx {
namespace {

constexpr std::string_view kHeaderError = "INVALID FILE HEADER";
constexpr std::string_view kReadError = "FILE READ ERROR ";

// libheif brings four video codecs with it, which would slow the start of
// every decode: it is opened for the first HEIF file only.
#define NVX_HEIF_FUNCTIONS(X)                   \
  X(heif_context_alloc)                         \
  X(heif_context_free)                          \
  X(heif_context_read_from_memory_without_copy) \
  X(heif_context_get_primary_image_handle)      \
  X(heif_image_handle_release)                  \
  X(heif_decode_image)                          \
  X(heif_image_release)                         \
  X(heif_image_get_plane_readonly)              \
  X(heif_image_get_width)                       \
  X(heif_image_get_height)

struct Heif {
  platform::SharedLibrary library{"libheif.so.1"};
  NVX_HEIF_FUNCTIONS(NVX_LIBRARY_FUNCTION)
  bool Complete() const { return library.Loaded() NVX_HEIF_FUNCTIONS(NVX_LIBRARY_FOUND); }
};

// libheif, or nullptr when it is not installed.
const Heif* OpenHeif() {
  static const Heif heif;
  return heif.Complete() ? &heif : nullptr;
}

// Of an animation the first frame prints, as of a GIF: libwebp's animation
// decoder composes it on the canvas, which starts transparent.
Result<DecodedImage> DecodeWebPFirstFrame(std::string_view bytes, const PixelSink& sink) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return Fail(std::string(kReadError));
  options.color_mode = MODE_RGBA;  // unassociated alpha, as every other decoder gives
  options.use_threads = 0;
  const WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> animation(
      WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
  WebPAnimInfo info;
  if (!animation || !WebPAnimDecoderGetInfo(animation.get(), &info)) {
    return Fail(std::string(kHeaderError));
  }
  std::uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(animation.get(), &canvas, &timestamp)) {
    return Fail(std::string(kReadError));
  }
  DecodedImage decoded{static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height),
                       nullptr};
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  std::memcpy(decoded.pixels, canvas, 4 * static_cast<std::size_t>(decoded.width) * decoded.height);
  return decoded;
}

}  // namespace

Result<DecodedImage> DecodeWebP(std::string_view bytes, const PixelSink& sink) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK) {
    return Fail(std::string(kHeaderError));
  }
  if (features.has_animation) return DecodeWebPFirstFrame(bytes, sink);
  DecodedImage decoded{features.width, features.height, sink(features.width, features.height)};
  if (!decoded.pixels) return OutOfMemory();
  const std::size_t stride = 4 * static_cast<std::size_t>(decoded.width);
  if (!WebPDecodeRGBAInto(data, bytes.size(), decoded.pixels, stride * decoded.height,
                          static_cast<int>(stride))) {
    return Fail(std::string(kReadError));
  }
  return decoded;
}

// The primary image, turned and mirrored as the file says (libheif does it).
Result<DecodedImage> DecodeHeif(std::string_view bytes, const PixelSink& sink) {
  const Heif* heif = OpenHeif();
  if (!heif) return Fail("HEIF images need libheif, which is not installed.");
  std::unique_ptr<heif_context, decltype(heif->heif_context_free)> context(
      heif->heif_context_alloc(), heif->heif_context_free);
  if (!context || heif->heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                                   bytes.size(), nullptr)
                          .code != heif_error_Ok) {
    return Fail(std::string(kHeaderError));
  }
  heif_image_handle* handle = nullptr;
  if (heif->heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok) {
    return Fail(std::string(kHeaderError));
  }
  std::unique_ptr<heif_image_handle, decltype(heif->heif_image_handle_release)> primary(
      handle, heif->heif_image_handle_release);
  heif_image* image = nullptr;
  if (heif->heif_decode_image(primary.get(), &image, heif_colorspace_RGB,
                              heif_chroma_interleaved_RGBA, nullptr)
          .code != heif_error_Ok) {
    return Fail(std::string(kReadError));
  }
  std::unique_ptr<heif_image, decltype(heif->heif_image_release)> decodedImage(
      image, heif->heif_image_release);
  int stride = 0;
  const std::uint8_t* rows =
      heif->heif_image_get_plane_readonly(decodedImage.get(), heif_channel_interleaved, &stride);
  DecodedImage decoded{heif->heif_image_get_width(decodedImage.get(), heif_channel_interleaved),
                       heif->heif_image_get_height(decodedImage.get(), heif_channel_interleaved),
                       nullptr};
  if (!rows || decoded.width < 1 || decoded.height < 1) return Fail(std::string(kReadError));
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  const std::size_t rowBytes = 4 * static_cast<std::size_t>(decoded.width);
  for (int y = 0; y < decoded.height; ++y) {
    std::memcpy(decoded.pixels + rowBytes * y, rows + static_cast<std::size_t>(stride) * y,
                rowBytes);
  }
  return decoded;
}

}  // namespace nvx
