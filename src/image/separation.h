#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "base/result.h"
#include "image/orientation.h"
#include "image/working_image.h"
#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/toner_order.h"
#include "settings/ui_hooks.h"

namespace nvx {

// One tone curve per colour ink: row 0 cyan, 1 magenta, 2 yellow.
struct ColourAdjustTable {
  std::array<std::array<std::uint8_t, 256>, 3> rows{};
};

// Samples the three Bezier curves of the points (per channel P0.x, P0.y .. P3.y).
ColourAdjustTable BuildColourAdjustTable(const ColourAdjustPoints& points);

struct PreparedGrid {
  bool exceedsPrintable = false;  // the caller runs FitToPrintable
};

// Puts the converted image (C M Y K A) into print orientation with the black
// folded into C, M and Y. The print size is the fitted size of the load, turned
// with the image. Without memory for it the grid is empty and the failure is
// Kind::OutOfMemory with the memory message.
Result<PreparedGrid> PrepareGrid(const WorkingImage& image, const LiveSettings& live,
                                 float printableWidthPt, float printableHeightPt,
                                 OrientedImage& grid, const UiHooks& hooks);

// The same for an image that is not turned again: its pixels are let go as the
// grid takes them, and once the grid holds them all the image's buffer is empty.
Result<PreparedGrid> PrepareGridReleasing(WorkingImage& image, const LiveSettings& live,
                                          float printableWidthPt, float printableHeightPt,
                                          OrientedImage& grid, const UiHooks& hooks);

// The grid's sizes and print size alone, for a print that reads its pixels
// where the decoder left them (MakeGridBands): the grid holds no pixels.
PreparedGrid PrepareGridShape(const WorkingImage& image, const LiveSettings& live,
                              float printableWidthPt, float printableHeightPt, OrientedImage& grid);

// The pattern print's mask plane in print orientation, one byte per pixel, not
// 0 where the pattern removes ink; an empty plane means no pattern.
using PatternMaskSource = std::function<std::vector<std::uint8_t>()>;

struct SeparationOptions {
  bool foil = false;              // the "P.Foil" media
  int blackFuzzy = 0;             // `BLACK Removal Fuzzy`
  PatternMaskSource patternMask;  // set while pattern print is on
};

// The media list shows "P.Foil" (text entry 198).
bool IsFoilMedia(const LiveSettings& live, const TextTable& texts);

// `BLACK Removal Fuzzy` from the settings file.
int ReadBlackFuzzy(const SettingsFiles& files);

// "Black Removal": a pixel whose three adjusted inks are each above the floor
// and together above the limit is near-black and is left unprinted (the print
// and the preview decide it the same way).
struct BlackRemovalRule {
  bool on = false;
  int limit = 0;  // c + m + y above this ...
  int floor = 0;  // ... with every ink above this
  bool Removes(int c, int m, int y) const {
    return on && c + m + y > limit && c > floor && m > floor && y > floor;
  }
};
BlackRemovalRule MakeBlackRemovalRule(bool on, int fuzzy);

// The slider positions (0..100, 50 in the middle) as the signed percentages
// -100..100 that the program shows and computes with.
int SliderPercent(int position);

// Contrast factor and brightness offset of a signed percentage.
float ContrastFactor(int percent);
int BrightnessOffset(int percent);

// Contrast and brightness act on the screen form of an ink (255 - ink); these
// give their effect on the ink itself, for every ink value.
using InkCurve = std::array<std::uint8_t, 256>;
InkCurve InkContrastCurve(float factor);
InkCurve InkBrightnessCurve(int offset);
InkCurve InkScaleCurve();  // the 98 % of every ink

// The white of a pixel printed with the density slider alone.
std::uint8_t DensityWhite(int whiteMaskPercent, bool opaque, bool printWhite);

// round(K + (255 - K) X / 255) in whole numbers: the quotient never ends in
// exactly one half, so this is the rounded real value.
inline std::uint8_t FoldBlack(int ink, int black) {
  return static_cast<std::uint8_t>(black + ((255 - black) * ink * 2 + 255) / 510);
}

// A converted pixel (C M Y K) as the grid keeps it: the black folded into the
// colours, the alpha twice.
inline GridPixel FoldCmyk(const std::uint8_t* cmyk, std::uint8_t alpha) {
  return GridPixel{FoldBlack(cmyk[0], cmyk[3]), FoldBlack(cmyk[1], cmyk[3]),
                   FoldBlack(cmyk[2], cmyk[3]), alpha, alpha};
}

// Where the grid's pixel (row, column) lies among the stored pixels that
// `upright` stands upright (an upright image `uprightWidth` pixels wide), with
// the Mirror, Flip and Rotate of `live`: a print can read its grid's pixels
// where the decoder left them.
PixelWalk GridWalk(const PixelWalk& upright, int uprightWidth, const LiveSettings& live);

// SeparatedImage: per row five planes of workWidthPx bytes (0 no toner, 255 full).
using SeparatedPlanes = RasterBytes;

// Separates the oriented image into toner planes and writes the print's alpha
// decisions back into the grid. The planes are in the station order of
// live.tonerOrder: C M Y W 0 white-last, W M Y C 0 white-first; none for an
// empty grid. Without memory for them the failure is Kind::OutOfMemory with
// the memory message. threads: 0 = all cores.
Result<SeparatedPlanes> SeparateImage(OrientedImage& grid, const ColourAdjustTable& table,
                                      const LiveSettings& live, const SeparationOptions& options,
                                      const UiHooks& hooks, int threads = 0);

// The same planes made in the grid's own memory, for a print that never reads
// the grid again: the grid's bytes then hold the planes (five plane rows of
// workWidthPx bytes per row) and its pixels are gone. The planes are empty for
// an empty grid.
Result<std::span<std::uint8_t>> SeparateGridInPlace(OrientedImage& grid,
                                                    const ColourAdjustTable& table,
                                                    const LiveSettings& live,
                                                    const SeparationOptions& options,
                                                    const UiHooks& hooks, int threads = 0);

struct InkRules;

// Separates a grid's rows one at a time as SeparateImage does, for a grid that
// is only ever held a band of rows at a time. `table` is copied. The pattern's
// mask (a byte per grid pixel) is made here: bad_alloc without memory for it.
class RowSeparator {
 public:
  RowSeparator(const ColourAdjustTable& table, const LiveSettings& live,
               const SeparationOptions& options, int width, int height);
  // Grid row `row`, its `width` pixels at `pixels`, into five plane rows at
  // `planes`; the print's alpha decisions are written back into the pixels.
  void Separate(GridPixel* pixels, int row, std::uint8_t* planes) const;

 private:
  std::shared_ptr<const ColourAdjustTable> table_;  // the rules point into it
  std::shared_ptr<const InkRules> rules_;
  std::vector<std::uint8_t> mask_;
  int width_ = 0;
};

}  // namespace nvx
