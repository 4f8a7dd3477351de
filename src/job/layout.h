#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/result.h"
#include "lang/text_table.h"
#include "platform/byte_sink.h"
#include "postscript/job_writer.h"
#include "settings/ui_hooks.h"

namespace nvx {

// The main window's preview area at its default size; the command line places
// copies on it so that it puts the image where the window would.
inline constexpr int kDefaultPreviewWidthPx = 310;
inline constexpr int kDefaultPreviewHeightPx = 438;

struct PlacementInput {
  int areaWidthPx = kDefaultPreviewWidthPx;  // the preview drawing area
  int areaHeightPx = kDefaultPreviewHeightPx;
  int pageWidthPt = 595;
  int pageHeightPt = 842;
  int topMargin = 1296;  // hundredths of a point, as stored
  int leftMargin = 1296;
  int rightMargin = 1296;
  int bottomMargin = 1307;
  int copyWidthPx = 0;  // one copy as the preview draws it
  int copyHeightPx = 0;
  bool automaticTile = false;
  bool optimalLayout = false;
  int xCopy = 1;  // the "X Copy" and "Y Copy" boxes when tiling is not automatic
  int yCopy = 1;
  int alignment = 1;  // 1..9
};

struct Placement {
  bool placed = false;  // false: a copy has no size in the preview; nothing stored
  int pageBoxWidthPx = 0;
  int pageBoxHeightPx = 0;
  int nX = 1;
  int nY = 1;
  int xPx = 0;  // the grid's top-left corner in preview pixels
  int yPx = 0;
  int gapXPx = 0;
  int gapYPx = 0;
  int gapX = 0;  // points: what the tiling step and the job writer read
  int gapY = 0;
  int left = 0;
  int top = 0;
};

// One copy's size in preview pixels for a print size, on the page box of the
// preview area.
void SetCopySizeFromPrintSize(PlacementInput& input, float printWidthPt, float printHeightPt);

// Works out the copies grid and its place on the page, in steps of one preview pixel.
Placement PlaceCopies(const PlacementInput& input);

struct TilingInput {
  int nX = 1;
  int nY = 1;
  int width = 0;  // the prepared image in pixels
  int height = 0;
  float widthPt = 0;  // one copy's printed size
  float heightPt = 0;
  int gapX = 0;  // points, from the placement
  int gapY = 0;
  bool optimalLayout = false;
  float maxWidthPt = 0;  // the printable area
  float maxHeightPt = 0;
  int left = 0;
  int top = 0;
  std::span<const std::uint8_t> source;  // height rows of five plane rows of width bytes
  // Set instead of `source` for rows never held whole: hands the image's rows
  // (five plane rows each), top first, to `row`, made again for each row of
  // copies (`copyRow` 0 .. nY - 1); false when they could not all be made or
  // `row` refused one.
  using PlaneRow = std::function<bool(const std::uint8_t* planes)>;
  std::function<bool(int copyRow, const PlaneRow& row)> rows;
};

// Whether the copies alone, without gaps, fit the printable area. Copies that
// do not are refused: the printer would cut them at the paper's edge.
bool CopiesFit(const TilingInput& input);
std::string CopiesDoNotFitMessage(const TilingInput& input);

// The largest raster a job may carry.
inline constexpr std::uint64_t kMaxRasterBytes = 1073741824;

// The tiled raster's sizes and place (its data left empty), and the copies'
// spacing in it, in pixels.
struct TileLayout {
  TiledImage image;
  int gapXPx = 0;
  int gapYPx = 0;
};

// Works out the tiled raster for the copies. Refuses as TileCopies does.
Result<TileLayout> LayOutCopies(const TilingInput& input, const TextTable& text);

// Writes the raster TileCopies would make, row by row through the sink, in
// pieces of whole rows of about `bandBytes`; the source must be the one the
// layout was made for. False when the sink refused bytes or there was no
// memory for a band.
inline constexpr std::size_t kTiledBandBytes = std::size_t{1} << 20;
bool WriteTiledRows(const TilingInput& input, const TileLayout& layout,
                    const platform::ByteSink& sink, const UiHooks& hooks,
                    std::size_t bandBytes = kTiledBandBytes);

// Lays the copies out in one zero-filled raster of the whole grid. Refuses
// copies that do not fit the printable area and a raster over 1 GiB with the
// message for the caller to show.
Result<TiledImage> TileCopies(const TilingInput& input, const TextTable& text,
                              const UiHooks& hooks);

}  // namespace nvx
