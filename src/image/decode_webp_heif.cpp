#include <libheif/heif.h>
#include <webp/decode.h>

#include <cstring>
#include <memory>

#include "image/decode.h"

// WebP and HEIF (HEIC) through their own libraries, libwebp and libheif.
namespace nvx {
namespace {

constexpr std::string_view kHeaderError = "INVALID FILE HEADER";
constexpr std::string_view kReadError = "FILE READ ERROR ";

using HeifContext = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
using HeifHandle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;
using HeifImage = std::unique_ptr<heif_image, decltype(&heif_image_release)>;

}  // namespace

Result<DecodedImage> DecodeWebP(std::string_view bytes, const PixelSink& sink) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  DecodedImage decoded;
  if (!WebPGetInfo(data, bytes.size(), &decoded.width, &decoded.height)) {
    return Fail(std::string(kHeaderError));
  }
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  const std::size_t stride = 4 * static_cast<std::size_t>(decoded.width);
  if (!WebPDecodeRGBAInto(data, bytes.size(), decoded.pixels, stride * decoded.height,
                          static_cast<int>(stride))) {
    return Fail(std::string(kReadError));  // animations too: only stills print
  }
  return decoded;
}

// The primary image, turned and mirrored as the file says (libheif does it).
Result<DecodedImage> DecodeHeif(std::string_view bytes, const PixelSink& sink) {
  HeifContext context(heif_context_alloc(), heif_context_free);
  if (!context ||
      heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr)
              .code != heif_error_Ok) {
    return Fail(std::string(kHeaderError));
  }
  heif_image_handle* handle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok) {
    return Fail(std::string(kHeaderError));
  }
  HeifHandle primary(handle, heif_image_handle_release);
  heif_image* image = nullptr;
  if (heif_decode_image(primary.get(), &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                        nullptr)
          .code != heif_error_Ok) {
    return Fail(std::string(kReadError));
  }
  HeifImage decodedImage(image, heif_image_release);
  int stride = 0;
  const std::uint8_t* rows =
      heif_image_get_plane_readonly(decodedImage.get(), heif_channel_interleaved, &stride);
  DecodedImage decoded{heif_image_get_width(decodedImage.get(), heif_channel_interleaved),
                       heif_image_get_height(decodedImage.get(), heif_channel_interleaved),
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
