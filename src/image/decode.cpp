#include "image/decode.h"

#include <IL/il.h>

#include <string>

#include "image/devil_errors.h"
#include "image/intake.h"

namespace nvx {
namespace {

// One DevIL image name, bound while it lives.
class DevilImage {
 public:
  DevilImage() {
    ilGenImages(1, &name_);
    ilBindImage(name_);
  }
  ~DevilImage() {
    ilBindImage(0);
    ilDeleteImages(1, &name_);
  }
  DevilImage(const DevilImage&) = delete;
  DevilImage& operator=(const DevilImage&) = delete;

 private:
  ILuint name_ = 0;
};

// DevIL's own reason, or a plain one when it gave none.
Failure DevilFailure(std::string_view fallback) {
  std::string text = DevilErrorText();
  DrainDevilErrors();
  return Fail(text.empty() ? std::string(fallback) : text);
}

// Run-length bitmaps with the classic header, the one kind DevIL still reads.
Result<DecodedImage> DecodeWithDevil(std::string_view bytes, const PixelSink& sink) {
  InitDevil();
  DrainDevilErrors();
  // Rows come top first whatever order the file keeps them in.
  ilEnable(IL_ORIGIN_SET);
  ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
  DevilImage image;
  if (ilLoadL(IL_BMP, bytes.data(), static_cast<ILuint>(bytes.size())) == IL_FALSE) {
    return DevilFailure("UNKNOWN ERROR");
  }
  // 16-bit and indexed files become 8-bit RGBA inside DevIL, before any copy.
  if (ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_FALSE) {
    return DevilFailure("INVALID CONVERSION");
  }
  DecodedImage decoded;
  decoded.width = ilGetInteger(IL_IMAGE_WIDTH);
  decoded.height = ilGetInteger(IL_IMAGE_HEIGHT);
  if (decoded.width < 1 || decoded.height < 1) return Fail("BAD DIMENSIONS");
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  if (ilCopyPixels(0, 0, 0, decoded.width, decoded.height, 1, IL_RGBA, IL_UNSIGNED_BYTE,
                   decoded.pixels) == 0) {
    return DevilFailure(kFailedToConvertText);
  }
  return decoded;
}

}  // namespace

Result<DecodedImage> DecodeImage(ImageFormat format, std::string_view bytes,
                                 const PixelSink& sink) {
  switch (format) {
    case ImageFormat::Png:
      return DecodePng(bytes, sink);
    case ImageFormat::Jpeg:
      return DecodeJpeg(bytes, sink);
    case ImageFormat::Gif:
      return DecodeGif(bytes, sink);
    case ImageFormat::Tiff:
      return DecodeTiff(bytes, sink);
    case ImageFormat::Bmp:
      return BmpNeedsOurReader(bytes) ? DecodeBmp(bytes, sink) : DecodeWithDevil(bytes, sink);
    case ImageFormat::Psd:
      return DecodePsd(bytes, sink);
    case ImageFormat::WebP:
      return DecodeWebP(bytes, sink);
    case ImageFormat::Heif:
      return DecodeHeif(bytes, sink);
    default:
      return Fail("FORMAT NOT SUPPORTED");
  }
}

}  // namespace nvx
