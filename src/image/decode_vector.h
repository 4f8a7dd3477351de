#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "image/decode.h"
#include "image/image_format.h"

typedef struct _cairo cairo_t;

namespace nvx {

// One page of vector artwork rendered onto transparent paper: where nothing is
// painted alpha is 0, anti-aliased edges keep their partial alpha.
struct RenderedPage {
  DecodedImage image;
  int pageCount = 1;
  // The page box, which gives the printed size.
  double widthPt = 0;
  double heightPt = 0;
};

inline constexpr std::string_view kProtectedPdfText =
    "This PDF is protected: it opens only with its password.";

// Renders page `request.page` of a PDF (poppler), SVG (librsvg) or EPS or
// PostScript file (Ghostscript, run as a program with -dSAFER) at
// `request.dpi`. The page box is checked against the pixel limit before any
// rendering. An SVG never reads other files or the network.
Result<RenderedPage> RenderVectorPage(ImageFormat format, std::string_view bytes,
                                      const RenderRequest& request, const PixelSink& sink);

// The renderers, one per kind; RenderVectorPage picks.
Result<RenderedPage> RenderPdf(std::string_view bytes, const RenderRequest& request,
                               const PixelSink& sink);
Result<RenderedPage> RenderSvg(std::string_view bytes, const RenderRequest& request,
                               const PixelSink& sink);
Result<RenderedPage> RenderPostScript(std::string_view bytes, const RenderRequest& request,
                                      const PixelSink& sink);

// The pixel size of a page box at `dpi`, or a failure when it is empty, not a
// number, or beyond the pixel limit (kPageTooLargeText, as OutOfMemory).
struct PagePixels {
  int width = 0;
  int height = 0;
};
Result<PagePixels> PagePixelsFor(double widthPt, double heightPt, int dpi);

// Renders with `paint` onto a transparent cairo surface in the sink's memory of
// `pixels`, then turns it into RGBA; `paint` returns false when it failed.
using CairoPainter = std::function<bool(cairo_t*)>;
Result<DecodedImage> PaintOnTransparentPaper(PagePixels pixels, const PixelSink& sink,
                                             const CairoPainter& paint);

// Cairo's premultiplied native-endian ARGB, as rendered into `pixels`, to
// straight R, G, B, A in place.
void CairoToRgba(std::uint8_t* pixels, std::size_t count);

// The rendering helper's work (nvxprint-render): the arguments are the format,
// a test fault (ignored), the resolution and the page; the reply adds the page
// count and the page box to the decoder's.
std::string ServeRender(std::string_view bytes, const std::vector<std::string>& arguments);

}  // namespace nvx
