#pragma once

#include "image/working_image.h"

namespace nvx {

// The grid resampled to widthPx x heightPx pixels: each pixel the average of
// the pixels it covers when it shrinks, interpolated between its neighbours
// when it grows. Colours are weighted by their loaded alpha, so what lies
// under a transparent pixel does not bleed into the edges of the design
// (where all of them are transparent, their plain average is kept). The
// printed size stays as it was; the caller sets the new one.
OrientedImage ScaleGrid(const OrientedImage& grid, int widthPx, int heightPx);

}  // namespace nvx
