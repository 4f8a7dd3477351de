// The vector renderers in this process, as the rendering child runs them:
// poppler, librsvg and Ghostscript behind our page box check and the cairo
// conversion, at the lowest resolution.
#include <vector>

#include "fuzz_support.h"
#include "image/decode_vector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  std::vector<std::uint8_t> pixels;
  const PixelSink sink = [&](int width, int height) -> std::uint8_t* {
    const std::uint64_t bytes = 4ull * static_cast<std::uint64_t>(width) * height;
    if (bytes > (std::uint64_t{64} << 20)) return nullptr;  // the child's memory limit's job
    pixels.assign(bytes, 0);
    return pixels.data();
  };
  const std::string_view bytes = fuzz::Bytes(data, size);
  for (ImageFormat format : {ImageFormat::Pdf, ImageFormat::Svg, ImageFormat::Eps}) {
    Result<RenderedPage> page = RenderVectorPage(format, bytes, {kMinRenderDpi, 1}, sink);
    if (!page) continue;
    fuzz::Check(page->image.width > 0 && page->image.height > 0, "a rendered page has pixels");
    fuzz::Check(page->pageCount >= 1 && page->widthPt > 0 && page->heightPt > 0,
                "a rendered page has a box");
  }
  return 0;
}
