// What the first bytes say: the format, the declared size, the orientation.
#include "fuzz_support.h"
#include "image/image_format.h"
#include "image/orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  const std::string_view bytes = fuzz::Bytes(data, size);
  const SniffedFormat sniffed = SniffFormat(bytes);
  (void)UnreadableFormatText(sniffed);
  for (ImageFormat format :
       {sniffed.format, ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Gif, ImageFormat::Tiff,
        ImageFormat::Bmp, ImageFormat::Psd, ImageFormat::WebP, ImageFormat::Heif}) {
    (void)ReadDeclaredSize(format, bytes);
    const int orientation = ReadExifOrientation(format, bytes);
    fuzz::Check(orientation >= 1 && orientation <= 8, "an orientation from 1 to 8");
  }
  return 0;
}
