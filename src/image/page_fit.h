#pragma once

#include <string>

#include "image/working_image.h"

namespace nvx {

// Fits a freshly loaded image to the printable area of the paper, turning it
// when that fits better. Sets image.imageWidthPt/HeightPt to the fitted size,
// which is the size the image prints at, and image.dpiX/dpiY to the resolution
// that gives it; image.zoomFactor becomes the scale applied (file dpi / final
// dpi), kept for the "Zoom" field only. Returns whether the image is to be
// turned (the "Rotate" check box). A printable area that is not positive leaves
// the image at its file resolution.
bool FitToPage(WorkingImage& image, float printableWidthPt, float printableHeightPt);

// The "Zoom" field: 100 x zoomFactor with one decimal and "%" ("81.7%").
std::string FormatZoomText(float zoomFactor);

struct PrintSize {
  float widthPt = 0;
  float heightPt = 0;
};

// The "Fit to Page" command: scales the print size (up or down) until it fills
// the printable width or height. When it already did, the size goes back to
// the size found at load (turned when `rotate` is on) if that fits, so pressing
// the button twice switches between the two. A size that is not positive is
// returned unchanged.
PrintSize FitToPrintable(PrintSize current, const WorkingImage& image, float printableWidthPt,
                         float printableHeightPt, bool rotate);

}  // namespace nvx
