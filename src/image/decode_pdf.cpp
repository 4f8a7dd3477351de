#include <poppler.h>

#include <memory>
#include <string>

#include "image/decode_vector.h"

// PDF through poppler's GLib API, drawn with cairo as a viewer shows the page
// (annotations and form fields with their appearance; scripts never run).
namespace nvx {
namespace {

template <class T>
struct GObjectRelease {
  void operator()(T* object) const { g_object_unref(object); }
};
template <class T>
using GObjectHolder = std::unique_ptr<T, GObjectRelease<T>>;

Failure OpenFailure(GError* error) {
  const bool locked =
      error && error->domain == POPPLER_ERROR && error->code == POPPLER_ERROR_ENCRYPTED;
  std::string text = locked ? std::string(kProtectedPdfText)
                            : "The PDF could not be opened" +
                                  (error ? " (" + std::string(error->message) + ")." : ".");
  if (error) g_error_free(error);
  return Fail(text);
}

}  // namespace

Result<RenderedPage> RenderPdf(std::string_view bytes, const RenderRequest& request,
                               const PixelSink& sink) {
  std::unique_ptr<GBytes, decltype(&g_bytes_unref)> data(
      g_bytes_new_static(bytes.data(), bytes.size()), g_bytes_unref);
  GError* error = nullptr;
  GObjectHolder<PopplerDocument> document(
      poppler_document_new_from_bytes(data.get(), nullptr, &error));
  if (!document) return OpenFailure(error);
  RenderedPage rendered;
  rendered.pageCount = poppler_document_get_n_pages(document.get());
  if (request.page > rendered.pageCount) {
    return Fail("The PDF has " + std::to_string(rendered.pageCount) + " page" +
                (rendered.pageCount == 1 ? "" : "s") + "; there is no page " +
                std::to_string(request.page) + ".");
  }
  GObjectHolder<PopplerPage> page(poppler_document_get_page(document.get(), request.page - 1));
  if (!page) return Fail("The PDF page could not be read.");
  // The crop box, turned as the page's rotation says: what a viewer shows.
  poppler_page_get_size(page.get(), &rendered.widthPt, &rendered.heightPt);
  Result<PagePixels> pixels = PagePixelsFor(rendered.widthPt, rendered.heightPt, request.dpi);
  if (!pixels) return pixels.failure();
  Result<DecodedImage> image = PaintOnTransparentPaper(*pixels, sink, [&](cairo_t* cr) {
    cairo_scale(cr, pixels->width / rendered.widthPt, pixels->height / rendered.heightPt);
    poppler_page_render(page.get(), cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  });
  if (!image) return image.failure();
  rendered.image = *image;
  return rendered;
}

}  // namespace nvx
