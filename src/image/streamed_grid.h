#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "base/result.h"
#include "image/background.h"
#include "image/decode_child.h"
#include "image/orientation.h"
#include "image/separation.h"
#include "settings/toner_order.h"

namespace nvx {

// A print's pixels read where the decoder left them, in the child's shared
// memory, instead of from a working image: nothing image-sized is copied.
struct DecodedPixels {
  ChildDecoded decoded;
  PixelWalk upright;  // the upright image (Exif orientation, then Flip) in the stored pixels
  int uprightWidth = 0;
  BackgroundRule background;  // the alpha each pixel prints with
  // Asked before rows are read: returns once the first `storedRows` rows of
  // the decoder's pixels are there, or why they will not come. Unset: all are.
  // Asked one call at a time, not always on the thread that asked for the job.
  std::function<Status(int storedRows)> awaitRows;
  bool opaque = false;  // the file says no pixel is transparent (DeclaresOpaque)
  // The decoder's rows from the top given back by a pass that read them for
  // the last time (GridBands::lastRead); no pass reads pixels after that.
  mutable int releasedRows = 0;
};

// The default height of a band: about half a million pixels.
int StreamBandRows(int gridWidth);
// A band height for looking for the first toner: about 64 thousand pixels,
// so that a print with toner near its top is let through after a few rows.
int ScanBandRows(int gridWidth);

// What making a grid's planes a band of rows at a time reads.
struct GridBands {
  std::shared_ptr<const DecodedPixels> pixels;
  void* transform = nullptr;  // the print's colour transform (ConvertPixels)
  PixelWalk walk;             // grid (row, column) to stored pixel (GridWalk)
  int width = 0;              // the grid's
  int height = 0;
  std::shared_ptr<const RowSeparator> separator;
  TonerOrder tonerOrder = TonerOrder::WhiteLast;
  int chokeRadiusPx = 0;
  int bandRows = 0;  // 0: StreamBandRows
  int threads = 0;   // 0: all cores
  // Nothing reads the pixels after this pass: the decoder's rows that no later
  // band reads are given back as the bands go, so that memory does not hold
  // the whole image to the end.
  bool lastRead = false;
};

// Takes rows first .. end - 1 of the planes (five plane rows of width bytes
// each); false stops the bands.
using PlaneBandSink = std::function<bool(int first, int end, const std::uint8_t* planes)>;

// Makes the grid's planes band by band, top first, each band's rows converted
// and separated on all cores, then its white choked: the bytes SeparateImage
// and ChokeWhitePlane make of the grid. `progress(rowsDone)` follows the bands.
// True when every band was taken, false when `sink` stopped them; a failure
// when memory or the decoder's rows failed (Kind::OutOfMemory with the memory
// message for memory), or when a last read gave the pixels back before.
Result<bool> MakeGridBands(const GridBands& grid, const PlaneBandSink& sink,
                           const std::function<void(int)>& progress = {});

}  // namespace nvx
