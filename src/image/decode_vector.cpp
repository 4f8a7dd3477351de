#include "image/decode_vector.h"

#include <cairo.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "base/text.h"
#include "platform/child_process.h"

namespace nvx {
namespace {

// The page box as the parent reads it back, without loss.
std::string ExactText(double value) {
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : "0";
}

}  // namespace

Result<PagePixels> PagePixelsFor(double widthPt, double heightPt, int dpi) {
  if (!std::isfinite(widthPt) || !std::isfinite(heightPt) || widthPt <= 0 || heightPt <= 0)
    return Fail("The page has no size.");
  const double width = std::max(1.0, std::round(widthPt * dpi / 72.0));
  const double height = std::max(1.0, std::round(heightPt * dpi / 72.0));
  // Checked as doubles first: a hostile box may not fit any integer.
  if (width * height > static_cast<double>(kMaxImagePixels) ||
      width > std::numeric_limits<int>::max() / 4 || height > std::numeric_limits<int>::max()) {
    return OutOfMemory(std::string(kPageTooLargeText));
  }
  return PagePixels{static_cast<int>(width), static_cast<int>(height)};
}

Result<DecodedImage> PaintOnTransparentPaper(PagePixels pixels, const PixelSink& sink,
                                             const CairoPainter& paint) {
  DecodedImage image{pixels.width, pixels.height, sink(pixels.width, pixels.height)};
  if (!image.pixels) return OutOfMemory();
  // The memory is new and zeroed: transparent before anything is painted.
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_for_data(image.pixels, CAIRO_FORMAT_ARGB32, pixels.width,
                                          pixels.height, pixels.width * 4),
      cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return OutOfMemory();
  bool painted = false;
  {
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()),
                                                          cairo_destroy);
    painted = cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS && paint(cr.get());
  }
  cairo_surface_finish(surface.get());
  if (!painted) return Fail("The page could not be drawn.");
  CairoToRgba(image.pixels, static_cast<std::size_t>(pixels.width) * pixels.height);
  return image;
}

void CairoToRgba(std::uint8_t* pixels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = pixels + 4 * i;
    std::uint32_t argb = 0;
    std::memcpy(&argb, p, 4);
    const std::uint32_t a = argb >> 24;
    auto straight = [a](std::uint32_t premultiplied) {
      return static_cast<std::uint8_t>(
          a == 0 ? 0 : std::min<std::uint32_t>(255, (premultiplied * 255 + a / 2) / a));
    };
    p[0] = straight((argb >> 16) & 0xFF);
    p[1] = straight((argb >> 8) & 0xFF);
    p[2] = straight(argb & 0xFF);
    p[3] = static_cast<std::uint8_t>(a);
  }
}

Result<RenderedPage> RenderVectorPage(ImageFormat format, std::string_view bytes,
                                      const RenderRequest& request, const PixelSink& sink) {
  if (request.dpi < kMinRenderDpi || request.dpi > kMaxRenderDpi || request.page < 1)
    return Fail("BAD RENDER REQUEST");
  switch (format) {
    case ImageFormat::Pdf:
      return RenderPdf(bytes, request, sink);
    case ImageFormat::Svg:
      return RenderSvg(bytes, request, sink);
    case ImageFormat::Eps:
      return RenderPostScript(bytes, request, sink);
    default:
      return Fail("FORMAT NOT SUPPORTED");
  }
}

std::string ServeRender(std::string_view bytes, const std::vector<std::string>& arguments) {
  auto number = [&](std::size_t i) {
    return i < arguments.size() ? ParseWholeNumber(arguments[i]) : std::nullopt;
  };
  const std::optional<long long> format = number(0);
  const std::optional<long long> dpi = number(2);
  const std::optional<long long> page = number(3);
  Result<RenderedPage> rendered = Fail("FORMAT NOT SUPPORTED");
  if (format && dpi && page && *dpi <= kMaxRenderDpi && *page <= std::numeric_limits<int>::max()) {
    platform::SharedMemory memory = platform::SharedMemory::Adopt(platform::kChildOutputFd);
    rendered = RenderVectorPage(static_cast<ImageFormat>(*format), bytes,
                                {static_cast<int>(*dpi), static_cast<int>(*page)},
                                [&](int width, int height) {
                                  return memory.MapForWriting(static_cast<std::size_t>(width) *
                                                              static_cast<std::size_t>(height) * 4);
                                });
  }
  if (!rendered) {
    return "fail " + std::to_string(static_cast<int>(rendered.failure().kind)) + " " +
           rendered.failure().message;
  }
  return "ok " + std::to_string(rendered->image.width) + " " +
         std::to_string(rendered->image.height) + " " + std::to_string(rendered->pageCount) + " " +
         ExactText(rendered->widthPt) + " " + ExactText(rendered->heightPt);
}

}  // namespace nvx
