#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "base/result.h"
#include "image/image_format.h"

namespace nvx {

// The decoded image: 8-bit R, G, B, A, rows top first, in the memory the sink gave.
struct DecodedImage {
  int width = 0;
  int height = 0;
  std::uint8_t* pixels = nullptr;
};

// Memory for width x height x 4 bytes, or nullptr when there is none to be had.
using PixelSink = std::function<std::uint8_t*(int width, int height)>;
// Told, while a decoder works, that the first `rows` rows (top first) are
// complete in the sink's memory and stay as they are. Decoders that make the
// rows in order tell as they go; the others tell nothing. `inputDone`: how many
// of the file's bytes, from its start, the decoder will not read again (0 when
// it cannot tell).
using RowsDone = std::function<void(int rows, std::size_t inputDone)>;

// Decodes a file of a readable format from its bytes, each format through its
// own library (libpng, libjpeg-turbo, giflib, libtiff, libwebp, libheif) or our
// own reader (PSD, BMP); DevIL keeps only run-length bitmaps. Failures carry the
// decoder's reason ("LIB PNG ERROR", "FILE READ ERROR "); a sink without
// memory gives an OutOfMemory failure.
Result<DecodedImage> DecodeImage(ImageFormat format, std::string_view bytes, const PixelSink& sink,
                                 const RowsDone& rowsDone = {});

// The decoders, one per format; DecodeImage picks.
Result<DecodedImage> DecodePsd(std::string_view bytes, const PixelSink& sink);
Result<DecodedImage> DecodeTiff(std::string_view bytes, const PixelSink& sink,
                                const RowsDone& rowsDone = {});
Result<DecodedImage> DecodePng(std::string_view bytes, const PixelSink& sink,
                               const RowsDone& rowsDone = {});
Result<DecodedImage> DecodeGif(std::string_view bytes, const PixelSink& sink);
Result<DecodedImage> DecodeJpeg(std::string_view bytes, const PixelSink& sink,
                                const RowsDone& rowsDone = {});
Result<DecodedImage> DecodeWebP(std::string_view bytes, const PixelSink& sink);
Result<DecodedImage> DecodeHeif(std::string_view bytes, const PixelSink& sink);
Result<DecodedImage> DecodeBmp(std::string_view bytes, const PixelSink& sink);
// All bitmaps but the run-length ones with the classic 40-byte header.
bool BmpNeedsOurReader(std::string_view bytes);

}  // namespace nvx
