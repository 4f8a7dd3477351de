// The resolution readers, each on the same bytes as if they were its format.
#include "image/resolution.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  for (ImageFormat format : {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Gif,
                             ImageFormat::Tiff, ImageFormat::Bmp, ImageFormat::Psd}) {
    FileResolution read = ResolutionOf(format, fuzz::Bytes(data, size));
    fuzz::Check(read.dpi.x >= kLowestDpi && read.dpi.x <= kHighestDpi, "horizontal in range");
    fuzz::Check(read.dpi.y >= kLowestDpi && read.dpi.y <= kHighestDpi, "vertical in range");
  }
  return 0;
}
