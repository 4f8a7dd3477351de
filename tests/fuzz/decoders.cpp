// The decoders in this process, where a fault shows: our own readers
// (Photoshop, bitmaps) and our use of giflib, libpng, libjpeg, libtiff and
// libwebp (its animation decoder too). The whole intake harness runs them
// behind the child process.
#include <vector>

#include "fuzz_support.h"
#include "image/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  std::vector<std::uint8_t> pixels;
  const PixelSink sink = [&](int width, int height) -> std::uint8_t* {
    const std::uint64_t bytes = 4ull * static_cast<std::uint64_t>(width) * height;
    if (bytes > (std::uint64_t{64} << 20)) return nullptr;  // the header check's job in the load
    pixels.assign(bytes, 0);
    return pixels.data();
  };
  using Decoder = Result<DecodedImage> (*)(std::string_view, const PixelSink&);
  // The decoders that hand over rows as they go, on that path.
  const Decoder png = [](std::string_view b, const PixelSink& s) {
    return DecodePng(b, s, [](int, std::size_t) {});
  };
  const Decoder jpeg = [](std::string_view b, const PixelSink& s) {
    return DecodeJpeg(b, s, [](int, std::size_t) {});
  };
  const Decoder tiff = [](std::string_view b, const PixelSink& s) {
    return DecodeTiff(b, s, [](int, std::size_t) {});
  };
  for (Decoder decode : {DecodePsd, DecodeBmp, DecodeGif, png, jpeg, tiff, DecodeWebP}) {
    (void)decode(fuzz::Bytes(data, size), sink);
  }
  return 0;
}
