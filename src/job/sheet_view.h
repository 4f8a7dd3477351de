#pragma once

#include "job/print_session.h"
#include "job/sheet_pack.h"

namespace nvx {

// Where a gang sheet's printable area lies on its drawn page: the window
// turns the copies' places (points from the printable area's top-left
// corner) into the picture's pixels, and a drag on the picture back to points.
// With Mirror on the page is drawn as it prints, mirrored left to right.
struct SheetFrame {
  double pxPerPt = 0;
  double printableLeftPx = 0;
  double printableTopPx = 0;
  double areaWidthPt = 0;
  bool mirrored = false;
};

// The frame of a page RenderSheetPreview drew `pictureWidthPx` wide for the
// session's paper, margins and Mirror.
SheetFrame SheetPreviewFrame(PrintSession& session, const SheetLayout& layout, int pictureWidthPx);

// A copy's box on the picture, in its pixels.
struct PictureBox {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};
PictureBox CopyOnPicture(const SheetFrame& frame, const PlacedCopy& copy);

// A move on the picture, in its pixels, as a move of a copy on the printable
// area, in points.
struct PointsOffset {
  double xPt = 0;
  double yPt = 0;
};
PointsOffset PictureMoveToPoints(const SheetFrame& frame, double dxPx, double dyPx);

}  // namespace nvx
