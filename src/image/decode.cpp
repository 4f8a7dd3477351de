#include "image/decode.h"

#include <string>

#include "image/devil_errors.h"
#include "image/intake.h"

namespace nvx {
namespace {

// One DevIL image name, bound while it lives.
class DevilImage {
 public:
  explicit DevilImage(const DevilLibrary& devil) : devil_(devil) {
    devil_.ilGenImages(1, &name_);
    devil_.ilBindImage(name_);
  }
  ~DevilImage() {
    devil_.ilBindImage(0);
    devil_.ilDeleteImages(1, &name_);
  }
  DevilImage(const DevilImage&) = delete;
  DevilImage& operator=(const DevilImage&) = delete;

 private:
  const DevilLibrary& devil_;
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
  const DevilLibrary* devil = Devil();
  if (!devil) return Fail("Run-length bitmaps need DevIL (libIL), which is not installed.");
  DrainDevilErrors();
  // Rows come top first whatever order the file keeps them in.
  devil->ilEnable(IL_ORIGIN_SET);
  devil->ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
  DevilImage image(*devil);
  if (devil->ilLoadL(IL_BMP, bytes.data(), static_cast<ILuint>(bytes.size())) == IL_FALSE) {
    return DevilFailure("UNKNOWN ERROR");
  }
  // 16-bit and indexed files become 8-bit RGBA inside DevIL, before any copy.
  if (devil->ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_FALSE) {
    return DevilFailure("INVALID CONVERSION");
  }
  DecodedImage decoded;
  decoded.width = devil->ilGetInteger(IL_IMAGE_WIDTH);
  decoded.height = devil->ilGetInteger(IL_IMAGE_HEIGHT);
  if (decoded.width < 1 || decoded.height < 1) return Fail("BAD DIMENSIONS");
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  if (devil->ilCopyPixels(0, 0, 0, decoded.width, decoded.height, 1, IL_RGBA, IL_UNSIGNED_BYTE,
                          decoded.pixels) == 0) {
    return DevilFailure(kFailedToConvertText);
  }
  return decoded;
}

}  // namespace

Result<DecodedImage> DecodeImage(ImageFormat format, std::string_view bytes, const PixelSink& sink,
                                 const RowsDone& rowsDone) {
  switch (format) {
    case ImageFormat::Png:
      return DecodePng(bytes, sink, rowsDone);
    case ImageFormat::Jpeg:
      return DecodeJpeg(bytes, sink, rowsDone);
    case ImageFormat::Gif:
      return DecodeGif(bytes, sink);
    case ImageFormat::Tiff:
      return DecodeTiff(bytes, sink, rowsDone);
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
