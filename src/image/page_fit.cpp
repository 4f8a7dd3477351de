#include "image/page_fit.h"

#include <algorithm>
#include <cstdio>

#include "settings/numbers.h"

namespace nvx {
namespace {

constexpr float kPointsPerInch = 72;
// An image at least this much taller than wide is never turned by the fit.
constexpr float kTallRatio = 1.41f;
constexpr float kAlreadyFilled = 0.99999f;

// The image's size while it is being fitted: inches, points and resolution.
struct FitState {
  float w;
  float h;
  float dpiX;
  float dpiY;
  float Wpt() const { return kPointsPerInch * w; }
  float Hpt() const { return kPointsPerInch * h; }

  void Scale(float s) {
    w *= s;
    h *= s;
    dpiX /= s;
    dpiY /= s;
  }
};

// Returns whether the image is to be turned.
bool Fit(FitState& fit, float printableWidthPt, float printableHeightPt) {
  // The comparisons use whole points; the ratio of the too-large case does not.
  const auto pw = static_cast<float>(RoundHalfEven(printableWidthPt));
  const auto ph = static_cast<float>(RoundHalfEven(printableHeightPt));
  const float wpt = fit.Wpt();
  const float hpt = fit.Hpt();
  if (wpt <= pw) {
    if (hpt >= ph) fit.Scale(ph / hpt);
    return false;
  }
  if (hpt <= pw && wpt <= ph) return true;
  if (hpt / wpt >= kTallRatio) {
    float s = hpt <= ph ? pw / wpt : std::min(printableWidthPt / wpt, printableHeightPt / hpt);
    fit.Scale(s);
    return false;
  }
  fit.Scale(ph / wpt);
  return true;
}

}  // namespace

bool FitToPage(WorkingImage& image, float printableWidthPt, float printableHeightPt) {
  FitState fit{image.widthPx / image.dpiX, image.heightPx / image.dpiY, image.dpiX, image.dpiY};
  bool rotate = false;
  if (printableWidthPt > 0 && printableHeightPt > 0) {
    rotate = Fit(fit, printableWidthPt, printableHeightPt);
  }
  image.imageWidthPt = fit.Wpt();
  image.imageHeightPt = fit.Hpt();
  image.zoomFactor = image.dpiX / fit.dpiX;
  image.dpiX = fit.dpiX;
  image.dpiY = fit.dpiY;
  return rotate;
}

std::string FormatZoomText(float zoomFactor) {
  const long long tenths = RoundHalfEven(1000.0 * std::max(zoomFactor, 0.0f));
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%lld%%", tenths / 10, tenths % 10);
  return text;
}

PrintSize FitToPrintable(PrintSize current, const WorkingImage& image, float printableWidthPt,
                         float printableHeightPt, bool rotate) {
  float w = current.widthPt;
  float h = current.heightPt;
  if (w <= 0 || h <= 0) return current;
  float r = printableWidthPt / w;
  if (h * r >= printableHeightPt) r = printableHeightPt / h;
  w *= r;
  h *= r;
  if (r >= kAlreadyFilled && r <= 1) {
    const float loadW = rotate ? image.imageHeightPt : image.imageWidthPt;
    const float loadH = rotate ? image.imageWidthPt : image.imageHeightPt;
    if (loadW < printableWidthPt && loadH < printableHeightPt) return {loadW, loadH};
  }
  return {w, h};
}

}  // namespace nvx
