#include "job/sheet_view.h"

namespace nvx {

SheetFrame SheetPreviewFrame(PrintSession& session, const SheetLayout& layout, int pictureWidthPx) {
  SheetFrame frame;
  if (session.live.paperWidthPt <= 0) return frame;
  const PageMargins margins = session.Settings().margins;
  // The whole paper is drawn, scaled alike both ways.
  frame.pxPerPt = static_cast<double>(pictureWidthPx) / session.live.paperWidthPt;
  frame.printableLeftPx = margins.left / 100.0 * frame.pxPerPt;
  frame.printableTopPx = margins.top / 100.0 * frame.pxPerPt;
  frame.areaWidthPt = layout.areaWidthPt;
  frame.mirrored = session.live.mirrorOn;
  return frame;
}

PictureBox CopyOnPicture(const SheetFrame& f, const PlacedCopy& c) {
  const double x = f.mirrored ? f.areaWidthPt - c.xPt - c.widthPt : c.xPt;
  return {f.printableLeftPx + x * f.pxPerPt, f.printableTopPx + c.yPt * f.pxPerPt,
          c.widthPt * f.pxPerPt, c.heightPt * f.pxPerPt};
}

PointsOffset PictureMoveToPoints(const SheetFrame& f, double dxPx, double dyPx) {
  if (f.pxPerPt <= 0) return {};
  return {(f.mirrored ? -dxPx : dxPx) / f.pxPerPt, dyPx / f.pxPerPt};
}

}  // namespace nvx
