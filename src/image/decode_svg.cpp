#include <librsvg/rsvg.h>

#include <memory>
#include <string>

#include "image/decode_vector.h"

// SVG through librsvg. The handle is made from the bytes with no base file:
// librsvg then resolves no reference to another file or to the network (an
// <image> or <use> pointing elsewhere draws nothing), and its XML limits stay on.
namespace nvx {
namespace {

constexpr double kCssPixelsPerInch = 96;

struct HandleRelease {
  void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};

Failure SvgFailure(GError* error, std::string_view what) {
  std::string text = std::string(what) + (error ? " (" + std::string(error->message) + ")." : ".");
  if (error) g_error_free(error);
  return Fail(text);
}

// The size in points: width and height in absolute units, or else the
// viewBox in CSS pixels (96 to the inch).
bool SvgPageSize(RsvgHandle* handle, int dpi, RenderedPage& page) {
  double widthPx = 0;
  double heightPx = 0;
  if (rsvg_handle_get_intrinsic_size_in_pixels(handle, &widthPx, &heightPx)) {
    page.widthPt = widthPx * 72 / dpi;
    page.heightPt = heightPx * 72 / dpi;
    return true;
  }
  gboolean hasViewBox = FALSE;
  RsvgRectangle viewBox{};
  rsvg_handle_get_intrinsic_dimensions(handle, nullptr, nullptr, nullptr, nullptr, &hasViewBox,
                                       &viewBox);
  if (!hasViewBox) return false;
  page.widthPt = viewBox.width * 72 / kCssPixelsPerInch;
  page.heightPt = viewBox.height * 72 / kCssPixelsPerInch;
  return true;
}

}  // namespace

Result<RenderedPage> RenderSvg(std::string_view bytes, const RenderRequest& request,
                               const PixelSink& sink) {
  std::unique_ptr<GInputStream, decltype(&g_object_unref)> stream(
      g_memory_input_stream_new_from_data(bytes.data(), static_cast<gssize>(bytes.size()), nullptr),
      g_object_unref);
  GError* error = nullptr;
  std::unique_ptr<RsvgHandle, HandleRelease> handle(rsvg_handle_new_from_stream_sync(
      stream.get(), nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &error));
  if (!handle) return SvgFailure(error, "The SVG could not be read");
  rsvg_handle_set_dpi(handle.get(), request.dpi);
  RenderedPage rendered;
  if (request.page > 1)
    return Fail("An SVG has one page; there is no page " + std::to_string(request.page) + ".");
  if (!SvgPageSize(handle.get(), request.dpi, rendered))
    return Fail("The SVG gives no size: it has neither width and height nor a viewBox.");
  Result<PagePixels> pixels = PagePixelsFor(rendered.widthPt, rendered.heightPt, request.dpi);
  if (!pixels) return pixels.failure();
  Result<DecodedImage> image = PaintOnTransparentPaper(*pixels, sink, [&](cairo_t* cr) {
    const RsvgRectangle viewport{0, 0, static_cast<double>(pixels->width),
                                 static_cast<double>(pixels->height)};
    GError* drawError = nullptr;
    const bool drawn = rsvg_handle_render_document(handle.get(), cr, &viewport, &drawError);
    if (drawError) g_error_free(drawError);
    return drawn;
  });
  if (!image) return image.failure();
  rendered.image = *image;
  return rendered;
}

}  // namespace nvx
