#include "image/separation.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/text.h"
#include "image/colour.h"
#include "image/parallel_rows.h"
#include "lang/text_entries.h"
#include "platform/huge_pages.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr std::uint8_t kFoilInk = 224;  // round(255 x 88 / 100): the foil takes no more
constexpr std::uint8_t kFullWhite = 250;
constexpr int kOpaqueAlpha = 180;  // loaded alpha above this prints
constexpr int kSmallInk = 20;      // c + m + y up to this counts as no colour
constexpr std::size_t kPixelsPerBlock = 32 * 1024;
// A turned block reads this many neighbouring source pixels from every source
// row: enough to use most of each memory page it visits.
constexpr int kTurnedBlockRows = 64;

struct CurvePoint {
  float x = 0;
  float y = 0;
};

// One step of the repeated interpolation; the program keeps whole-number points.
CurvePoint Between(CurvePoint a, CurvePoint b, float t) {
  return {static_cast<float>(RoundHalfEven(a.x + (b.x - a.x) * t)),
          static_cast<float>(RoundHalfEven(a.y + (b.y - a.y) * t))};
}

void SampleCurve(const std::uint8_t* points, std::array<std::uint8_t, 256>& row) {
  auto point = [points](int n) {
    return CurvePoint{static_cast<float>(points[2 * n]), static_cast<float>(points[2 * n + 1])};
  };
  const CurvePoint p0 = point(0), p1 = point(1), p2 = point(2), p3 = point(3);
  for (int s = 0; s <= 1000; ++s) {
    const float t = static_cast<float>(s) / 1000.0f;
    const CurvePoint a = Between(p0, p1, t), b = Between(p1, p2, t), c = Between(p2, p3, t);
    const CurvePoint sample = Between(Between(a, b, t), Between(b, c, t), t);
    row[static_cast<std::uint8_t>(sample.x)] = static_cast<std::uint8_t>(sample.y);
  }
  for (int x = 1; x < 256; ++x) {
    if (row[x] == 0) row[x] = row[x - 1];
  }
}

// Output pixel (row, column) of the print orientation comes from this source pixel.
struct SourceIndex {
  bool mirror = false;
  bool rotate = false;
  int width = 0;

  // A quarter turn reads the source transposed; mirror and turn together are
  // the plain transposition, either alone reverses the source columns.
  std::pair<int, int> RowAndColumn(int row, int column) const {
    const int sourceRow = rotate ? column : row;
    const int sourceColumn = rotate ? row : column;
    return {sourceRow, mirror != rotate ? width - 1 - sourceColumn : sourceColumn};
  }
  std::size_t operator()(int row, int column) const {
    const auto [sourceRow, sourceColumn] = RowAndColumn(row, column);
    return static_cast<std::size_t>(sourceRow) * width + sourceColumn;
  }
};

inline GridPixel FoldedPixel(const std::uint8_t* px) { return FoldCmyk(px, px[4]); }

// A turned image reads a source column per output row; walking the block's rows
// side by side keeps the source reads within a few cache lines.
void OrientRows(const std::uint8_t* source, SourceIndex index, OrientedImage& grid, int firstRow,
                int endRow) {
  const int width = grid.workWidthPx;
  auto orient = [&](int row, int column) {
    grid.pixels[static_cast<std::size_t>(row) * width + column] =
        FoldedPixel(source + 5 * index(row, column));
  };
  if (index.rotate) {
    for (int column = 0; column < width; ++column) {
      for (int row = firstRow; row < endRow; ++row) orient(row, column);
    }
    return;
  }
  for (int row = firstRow; row < endRow; ++row) {
    for (int column = 0; column < width; ++column) orient(row, column);
  }
}

}  // namespace

// Everything the separation decides once per print rather than per pixel.
struct InkRules {
  const ColourAdjustTable* table = nullptr;
  InkCurve scale{}, contrast{}, brightness{};
  BlackRemovalRule black;
  bool thresholdOn = false;
  int threshold = 0;  // T = round(3t)
  bool printWhite = false;
  bool printCmy = true;
  std::uint8_t densityWhite = 0;
  bool foil = false;
  bool whiteFirst = false;
};

namespace {

InkRules MakeRules(const ColourAdjustTable& table, const LiveSettings& live,
                   const SeparationOptions& options) {
  InkRules rules;
  rules.table = &table;
  rules.scale = InkScaleCurve();
  rules.contrast = InkContrastCurve(ContrastFactor(SliderPercent(live.contrast)));
  rules.brightness = InkBrightnessCurve(BrightnessOffset(SliderPercent(live.brightness)));
  rules.black = MakeBlackRemovalRule(live.blackRemoval, options.blackFuzzy);
  rules.thresholdOn = live.thresholdOn;
  rules.threshold = static_cast<int>(RoundHalfEven(3.0 * live.tonerPercent));
  rules.printWhite = live.printWhite;
  rules.printCmy = live.printCmy;
  rules.densityWhite = DensityWhite(live.whiteMaskPercent, true, live.printWhite);
  rules.foil = options.foil;
  rules.whiteFirst = live.tonerOrder == TonerOrder::WhiteFirst;
  return rules;
}

struct Inks {
  int c = 0, m = 0, y = 0, white = 0;
};

Inks StandardInks(GridPixel& px, const InkRules& rules) {
  Inks inks;
  int alpha = px.loadedAlpha > kOpaqueAlpha ? 255 : 0;
  int sum = 0;
  if (alpha == 255) {
    inks.c = rules.scale[rules.table->rows[0][px.c]];
    inks.m = rules.scale[rules.table->rows[1][px.m]];
    inks.y = rules.scale[rules.table->rows[2][px.y]];
    if (inks.c + inks.m + inks.y != 0) {
      inks.c = rules.contrast[inks.c], inks.m = rules.contrast[inks.m],
      inks.y = rules.contrast[inks.y];
    }
    if (inks.c + inks.m + inks.y != 0) {
      inks.c = rules.brightness[inks.c], inks.m = rules.brightness[inks.m],
      inks.y = rules.brightness[inks.y];
    }
    sum = inks.c + inks.m + inks.y;
    if (rules.black.Removes(inks.c, inks.m, inks.y)) {
      inks = Inks{};
      alpha = 0;
      sum = 0;
    }
  }
  px.alpha = static_cast<std::uint8_t>(alpha);
  const int strongest = std::max({inks.c, inks.m, inks.y});
  const int densityWhite = alpha == 255 ? rules.densityWhite : 0;
  if (!rules.thresholdOn || sum <= kSmallInk) {
    inks.white = densityWhite;
  } else if (alpha == 255 && strongest <= rules.threshold) {
    inks.white = std::min<int>(kFullWhite, rules.printWhite ? rules.threshold - strongest : 0);
  }
  if (!rules.printCmy && alpha > 241) inks.c = inks.m = inks.y = 0;
  return inks;
}

Inks FoilInks(GridPixel& px) {
  px.alpha = px.loadedAlpha > kOpaqueAlpha ? 255 : 0;
  if (px.alpha == 0) return Inks{};
  return Inks{kFoilInk, kFoilInk, kFoilInk, 0};
}

// Separates one row of grid pixels into its five plane rows at `first`; the
// mask row (null for none) removes the ink where it is not 0.
void SeparatePixels(GridPixel* pixels, int width, const std::uint8_t* maskRow,
                    const InkRules& rules, std::uint8_t* first) {
  std::uint8_t* cyan = first + (rules.whiteFirst ? 3 : 0) * width;
  std::uint8_t* magenta = first + width;
  std::uint8_t* yellow = first + 2 * width;
  std::uint8_t* white = first + (rules.whiteFirst ? 0 : 3) * width;
  std::fill_n(first + 4 * width, width, std::uint8_t{0});  // the fifth station carries nothing
  for (int column = 0; column < width; ++column) {
    GridPixel& px = pixels[column];
    Inks inks = rules.foil ? FoilInks(px) : StandardInks(px, rules);
    if (maskRow && maskRow[column] != 0) inks = Inks{};
    cyan[column] = static_cast<std::uint8_t>(inks.c);
    magenta[column] = static_cast<std::uint8_t>(inks.m);
    yellow[column] = static_cast<std::uint8_t>(inks.y);
    white[column] = static_cast<std::uint8_t>(inks.white);
  }
}

const std::uint8_t* MaskRow(const std::vector<std::uint8_t>& mask, std::size_t rowStart) {
  return mask.empty() ? nullptr : mask.data() + rowStart;
}

void SeparateRow(OrientedImage& grid, int row, const InkRules& rules,
                 const std::vector<std::uint8_t>& mask, std::uint8_t* first) {
  const std::size_t rowStart = static_cast<std::size_t>(row) * grid.workWidthPx;
  SeparatePixels(grid.pixels.data() + rowStart, grid.workWidthPx, MaskRow(mask, rowStart), rules,
                 first);
}

int BlockRows(int width) {
  return static_cast<int>(std::max<std::size_t>(1, kPixelsPerBlock / std::max(1, width)));
}

std::uint8_t ClampToByte(long long value) {
  return static_cast<std::uint8_t>(std::clamp<long long>(value, 0, 255));
}

}  // namespace

ColourAdjustTable BuildColourAdjustTable(const ColourAdjustPoints& points) {
  ColourAdjustTable table;
  for (int channel = 0; channel < 3; ++channel) {
    SampleCurve(points.values.data() + 8 * channel, table.rows[channel]);
  }
  return table;
}

namespace {

// A turned image's grid column is a source row: the grid's columns first ..
// end - 1 read only those source rows.
void OrientColumns(const std::uint8_t* source, SourceIndex index, OrientedImage& grid, int first,
                   int end) {
  const int width = grid.workWidthPx;
  for (int row = 0; row < grid.workHeightPx; ++row) {
    GridPixel* out = grid.pixels.data() + static_cast<std::size_t>(row) * width;
    for (int column = first; column < end; ++column) {
      out[column] = FoldedPixel(source + 5 * index(row, column));
    }
  }
}

// The grid's sizes for the image in print orientation; its pixels are left alone.
PreparedGrid ShapeGrid(const WorkingImage& image, const LiveSettings& live, float printableWidthPt,
                       float printableHeightPt, OrientedImage& grid) {
  const bool rotate = live.rotate;
  grid.workWidthPx = rotate ? image.heightPx : image.widthPx;
  grid.workHeightPx = rotate ? image.widthPx : image.heightPx;
  grid.printWidthPt = rotate ? image.imageHeightPt : image.imageWidthPt;
  grid.printHeightPt = rotate ? image.imageWidthPt : image.imageHeightPt;
  PreparedGrid result;
  result.exceedsPrintable =
      grid.printWidthPt > printableWidthPt || grid.printHeightPt > printableHeightPt;
  return result;
}

// With `releasable` set (the image's buffer), each block of source rows is let
// go once the grid holds it, so the image and the grid are never both held
// whole. A turned image is then walked by source rows, its grid filling a
// little in every row; it goes without huge pages, which would take the whole
// grid at the first block.
Result<PreparedGrid> OrientIntoGrid(const WorkingImage& image, std::uint8_t* releasable,
                                    const LiveSettings& live, float printableWidthPt,
                                    float printableHeightPt, OrientedImage& grid,
                                    const UiHooks& hooks) {
  const int width = image.widthPx, height = image.heightPx;
  const std::size_t pixels = static_cast<std::size_t>(std::max(0, width)) * std::max(0, height);
  // Mirror and Rotate keep the pixel count, so their reruns reuse the grid's memory;
  // a new image's grid never stands beside the old one.
  if (pixels == 0 || image.buffer.size() < pixels * 5 || grid.pixels.capacity() < pixels) {
    grid = OrientedImage{};
  }
  grid.pixels.clear();
  if (pixels == 0 || image.buffer.size() < pixels * 5) return PreparedGrid{};
  const PreparedGrid result = ShapeGrid(image, live, printableWidthPt, printableHeightPt, grid);
  const bool rotate = live.rotate;
  const bool byColumns = releasable && rotate;
  try {
    if (byColumns) {
      grid.pixels.resize(pixels);
    } else {
      platform::ResizeOnHugePages(grid.pixels, pixels);
    }
  } catch (const std::bad_alloc&) {
    grid = OrientedImage{};
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  // "Flip" turned the image upside down at load, so with "Mirror" it is a half turn.
  const SourceIndex index{live.mirrorOn != live.flip, rotate, width};
  const std::size_t sourceRowBytes = static_cast<std::size_t>(width) * 5;
  const int steps = byColumns ? height : grid.workHeightPx;
  ForEachRowBlock(
      steps, rotate ? kTurnedBlockRows : BlockRows(grid.workWidthPx), 0,
      [&](int first, int end) {
        if (byColumns) {
          OrientColumns(image.buffer.data(), index, grid, first, end);
        } else {
          OrientRows(image.buffer.data(), index, grid, first, end);
        }
        if (releasable) {
          platform::ReleasePages(releasable + first * sourceRowBytes,
                                 (end - first) * sourceRowBytes);
        }
      },
      [&](int done) { hooks.Progress(static_cast<int>(100LL * done / steps)); });
  return result;
}

}  // namespace

Result<PreparedGrid> PrepareGrid(const WorkingImage& image, const LiveSettings& live,
                                 float printableWidthPt, float printableHeightPt,
                                 OrientedImage& grid, const UiHooks& hooks) {
  return OrientIntoGrid(image, nullptr, live, printableWidthPt, printableHeightPt, grid, hooks);
}

Result<PreparedGrid> PrepareGridReleasing(WorkingImage& image, const LiveSettings& live,
                                          float printableWidthPt, float printableHeightPt,
                                          OrientedImage& grid, const UiHooks& hooks) {
  Result<PreparedGrid> result = OrientIntoGrid(image, image.buffer.data(), live, printableWidthPt,
                                               printableHeightPt, grid, hooks);
  if (result) RasterBytes().swap(image.buffer);
  return result;
}

PixelWalk GridWalk(const PixelWalk& upright, int uprightWidth, const LiveSettings& live) {
  // "Flip" turned the image upside down at load, so with "Mirror" it is a half turn.
  const SourceIndex index{live.mirrorOn != live.flip, live.rotate, uprightWidth};
  auto stored = [&](int row, int column) {
    const auto [sourceRow, sourceColumn] = index.RowAndColumn(row, column);
    return upright.At(sourceColumn, sourceRow);
  };
  PixelWalk walk;
  walk.origin = stored(0, 0);
  walk.stepX = stored(0, 1) - walk.origin;
  walk.stepRow = stored(1, 0) - walk.origin;
  return walk;
}

PreparedGrid PrepareGridShape(const WorkingImage& image, const LiveSettings& live,
                              float printableWidthPt, float printableHeightPt,
                              OrientedImage& grid) {
  grid = OrientedImage{};
  return ShapeGrid(image, live, printableWidthPt, printableHeightPt, grid);
}

bool IsFoilMedia(const LiveSettings& live, const TextTable& texts) {
  return !Trim(live.mediaType).empty() && EqualsIgnoreCase(live.mediaType, texts[entry::kFoil]);
}

int ReadBlackFuzzy(const SettingsFiles& files) {
  // The black-removal dialog stores 5 the first time it opens; until then the
  // tolerance is that same 5, or "Black Removal" could never remove anything.
  const long long stored = ReadSettingNumber(files, keys::kActive, keys::kBlackRemovalFuzzy);
  return stored < 1 ? 5 : static_cast<int>(std::min<long long>(stored, 50));
}

BlackRemovalRule MakeBlackRemovalRule(bool on, int fuzzy) {
  return {on, static_cast<int>(RoundHalfEven(765.0 - 3.0 * fuzzy)), 255 - fuzzy};
}

int SliderPercent(int position) { return position * 2 - 100; }

float ContrastFactor(int percent) {
  const float p = static_cast<float>(percent);
  return 259.0f * (p + 255.0f) / (255.0f * (259.0f - p));
}

int BrightnessOffset(int percent) { return static_cast<int>(RoundHalfEven((percent - 10) / 3.5)); }

InkCurve InkContrastCurve(float factor) {
  InkCurve curve{};
  for (int ink = 0; ink < 256; ++ink) {
    const float screen = static_cast<float>(255 - ink);
    const float stretched = factor * (screen - 128.0f) + 128.0f;
    curve[ink] =
        static_cast<std::uint8_t>(255 - RoundHalfEven(std::min(255.0f, std::max(0.0f, stretched))));
  }
  return curve;
}

InkCurve InkBrightnessCurve(int offset) {
  InkCurve curve{};
  for (int ink = 0; ink < 256; ++ink) curve[ink] = 255 - ClampToByte(255 - ink + offset);
  return curve;
}

InkCurve InkScaleCurve() {
  InkCurve curve{};
  for (int ink = 0; ink < 256; ++ink) {
    curve[ink] = static_cast<std::uint8_t>(RoundHalfEven(0.98 * ink));
  }
  return curve;
}

std::uint8_t DensityWhite(int whiteMaskPercent, bool opaque, bool printWhite) {
  if (!opaque || !printWhite) return 0;
  return ClampToByte(std::min<long long>(251, RoundHalfEven(6 + 2.5 * whiteMaskPercent)));
}

namespace {

// The pattern's mask for the grid; empty for none, or for a mask of another
// size, which would be read past its end.
std::vector<std::uint8_t> GridMask(const SeparationOptions& options, std::size_t pixels) {
  std::vector<std::uint8_t> mask;
  if (options.patternMask) mask = options.patternMask();
  if (mask.size() != pixels) mask.clear();
  return mask;
}

}  // namespace

RowSeparator::RowSeparator(const ColourAdjustTable& table, const LiveSettings& live,
                           const SeparationOptions& options, int width, int height)
    : table_(std::make_shared<ColourAdjustTable>(table)), width_(width) {
  rules_ = std::make_shared<InkRules>(MakeRules(*table_, live, options));
  mask_ = GridMask(options, static_cast<std::size_t>(std::max(0, width)) * std::max(0, height));
}

void RowSeparator::Separate(GridPixel* pixels, int row, std::uint8_t* planes) const {
  SeparatePixels(pixels, width_, MaskRow(mask_, static_cast<std::size_t>(row) * width_), *rules_,
                 planes);
}

Result<SeparatedPlanes> SeparateImage(OrientedImage& grid, const ColourAdjustTable& table,
                                      const LiveSettings& live, const SeparationOptions& options,
                                      const UiHooks& hooks, int threads) {
  SeparatedPlanes planes;
  const int width = grid.workWidthPx, height = grid.workHeightPx;
  const std::size_t pixels = static_cast<std::size_t>(std::max(0, width)) * std::max(0, height);
  if (pixels == 0 || grid.pixels.size() != pixels) return planes;
  std::vector<std::uint8_t> mask;
  try {
    mask = GridMask(options, pixels);
    platform::ResizeOnHugePages(planes, pixels * 5);  // every byte is written by its row
  } catch (const std::bad_alloc&) {
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  const InkRules rules = MakeRules(table, live, options);
  ForEachRowBlock(
      height, BlockRows(width), threads,
      [&](int first, int end) {
        for (int row = first; row < end; ++row) {
          SeparateRow(grid, row, rules, mask,
                      planes.data() + static_cast<std::size_t>(row) * width * 5);
        }
      },
      [&](int done) { hooks.Progress(static_cast<int>(100LL * done / height)); });
  return planes;
}

Result<std::span<std::uint8_t>> SeparateGridInPlace(OrientedImage& grid,
                                                    const ColourAdjustTable& table,
                                                    const LiveSettings& live,
                                                    const SeparationOptions& options,
                                                    const UiHooks& hooks, int threads) {
  static_assert(sizeof(GridPixel) == 5, "a grid row holds exactly its five plane rows");
  const int width = grid.workWidthPx, height = grid.workHeightPx;
  const std::size_t pixels = static_cast<std::size_t>(std::max(0, width)) * std::max(0, height);
  if (pixels == 0 || grid.pixels.size() != pixels) return std::span<std::uint8_t>{};
  std::vector<std::uint8_t> mask;
  try {
    mask = GridMask(options, pixels);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  const InkRules rules = MakeRules(table, live, options);
  auto* bytes = reinterpret_cast<std::uint8_t*>(grid.pixels.data());
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 5;
  ForEachRowBlock(
      height, BlockRows(width), threads,
      [&](int first, int end) {
        // Each row is separated beside the grid, then takes the place of the pixels it came from.
        std::vector<std::uint8_t> planes(rowBytes);
        for (int row = first; row < end; ++row) {
          SeparateRow(grid, row, rules, mask, planes.data());
          std::memcpy(bytes + static_cast<std::size_t>(row) * rowBytes, planes.data(), rowBytes);
        }
      },
      [&](int done) { hooks.Progress(static_cast<int>(100LL * done / height)); });
  return std::span<std::uint8_t>(bytes, pixels * 5);
}

}  // namespace nvx
