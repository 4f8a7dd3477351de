#include "image/preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/parallel_rows.h"
#include "image/white_choke.h"
#include "lang/text_entries.h"
#include "settings/numbers.h"

namespace nvx {
namespace {

constexpr std::uint8_t kFoilInk = 224;
constexpr int kVisibleAlpha = 240;
constexpr int kSmallInk = 20;
constexpr int kWhiteOnlyDark = 145;  // heavier white-only greys show as ink 30
constexpr int kWhiteOnlyGrey = 30;
constexpr std::uint8_t kPatternHoleMagenta = 200;
constexpr int kCheckerSquare = 10;
constexpr int kRowsPerBlock = 32;
constexpr std::uint8_t kCheckerLight = 255, kCheckerDark = 204;

struct PreviewPixel {
  int c = 0, m = 0, y = 0, k = 0, v = 0;
};

int Round(double value) { return static_cast<int>(RoundHalfEven(value)); }

// The same rounding for the per-pixel steps: the default floating-point mode
// rounds half to even, and nearbyint costs a fraction of the general routine.
int RoundFast(double value) { return static_cast<int>(std::nearbyint(value)); }

constexpr int kMaxSum = 3 * 255;

// Everything the preview decides once per redraw rather than per pixel.
struct PreviewRules {
  const ColourAdjustTable* table = nullptr;
  InkCurve scale{}, brightness{}, contrast{}, gamma{};
  BlackRemovalRule black;
  bool simulateWhite = false;
  bool printWhite = false;
  bool thresholdOn = false;
  bool printCmy = true;
  int threshold = 0;                             // Tp
  double whiteShare = 0;                         // k
  std::array<double, kMaxSum + 1> underWhite{};  // q of every ink sum
};

// The screen is a little darker than the paper: ink 255 - 255 ((255 - X) / 255)^1.1.
InkCurve DisplayGamma() {
  InkCurve curve{};
  for (int ink = 0; ink < 256; ++ink) {
    double value = 255.0 - 255.0 * std::pow((255.0 - ink) / 255.0, 1.1);
    curve[ink] = static_cast<std::uint8_t>(Round(std::min(255.0, std::max(0.0, value))));
  }
  return curve;
}

PreviewRules MakeRules(const ColourAdjustTable& table, const LiveSettings& live,
                       const PreviewOptions& options) {
  PreviewRules rules;
  rules.table = &table;
  rules.scale = InkScaleCurve();
  // The screen needs a little more than the paper: 10 points of brightness and contrast.
  rules.brightness = InkBrightnessCurve(BrightnessOffset(SliderPercent(live.brightness)) - 10);
  rules.contrast = InkContrastCurve(ContrastFactor(SliderPercent(live.contrast) + 10));
  rules.gamma = DisplayGamma();
  rules.black = MakeBlackRemovalRule(live.blackRemoval, options.blackFuzzy);
  rules.simulateWhite = live.displayWhite && live.printWhite;
  rules.printWhite = live.printWhite;
  rules.thresholdOn = live.thresholdOn;
  rules.printCmy = live.printCmy;
  rules.threshold = Round(5.5 * Round(1.2 * live.tonerPercent));
  rules.whiteShare = 0.9 * live.whiteMaskPercent / 100.0;
  for (int sum = 0; sum <= kMaxSum; ++sum) {
    const double room = std::min(254.0, std::max(0.0, static_cast<double>(rules.threshold - sum)));
    rules.underWhite[sum] = Round(room) / 254.0 * rules.whiteShare;
  }
  return rules;
}

void SimulateWhite(PreviewPixel& px, int sum, const PreviewRules& rules) {
  auto lighten = [&px](double share) {
    px.c = RoundFast(px.c - px.c * share), px.m = RoundFast(px.m - px.m * share),
    px.y = RoundFast(px.y - px.y * share);
  };
  if (rules.thresholdOn) {
    if (sum >= kSmallInk && sum <= rules.threshold) lighten(rules.underWhite[sum]);
  } else if (!rules.printCmy) {
    px.c = px.m = px.y = 0;
  } else {
    lighten(rules.whiteShare);
  }
}

// Only white toner prints: a grey of the image's lightness, lightened by the white.
void WhiteOnly(PreviewPixel& px, int sum, const PreviewRules& rules) {
  const double lightness = 0.3 * (255 - px.c) + 0.4 * (255 - px.m) + 0.3 * (255 - px.y);
  const int g = RoundFast(std::min(255.0, lightness));
  const int ink = std::clamp(255 - g, 0, 255);
  const double share = rules.underWhite[sum];
  int grey = RoundFast(ink - ink * share);
  if (grey > kWhiteOnlyDark) grey = kWhiteOnlyGrey;
  px.c = px.m = px.y = grey;
  px.k = RoundFast(share);
}

PreviewPixel StandardPixel(const GridPixel& source, const PreviewRules& rules) {
  PreviewPixel px;
  if (source.loadedAlpha <= kVisibleAlpha) return px;
  px.v = 255;
  px.c = rules.table->rows[0][source.c];
  px.m = rules.table->rows[1][source.m];
  px.y = rules.table->rows[2][source.y];
  int sum = px.c + px.m + px.y;
  if (rules.black.Removes(px.c, px.m, px.y)) {
    px.c = px.m = px.y = px.v = sum = 0;
  }
  px.c = rules.scale[px.c], px.m = rules.scale[px.m], px.y = rules.scale[px.y];
  if (px.c + px.m + px.y != 0) {
    px.c = rules.brightness[px.c], px.m = rules.brightness[px.m], px.y = rules.brightness[px.y];
  }
  if (px.c + px.m + px.y != 0) {
    px.c = rules.contrast[px.c], px.m = rules.contrast[px.m], px.y = rules.contrast[px.y];
  }
  px.c = rules.gamma[px.c], px.m = rules.gamma[px.m], px.y = rules.gamma[px.y];
  if (rules.simulateWhite) SimulateWhite(px, sum, rules);
  if (!rules.printCmy) WhiteOnly(px, sum, rules);
  // Without white toner a pixel of no colour receives nothing: the substrate shows.
  if (!rules.printWhite && px.c == 0 && px.m == 0 && px.y == 0 && px.k == 0) px.v = 0;
  return px;
}

PreviewPixel FoilPixel(const GridPixel& source) {
  if (source.loadedAlpha <= kVisibleAlpha) return PreviewPixel{};
  return PreviewPixel{kFoilInk, kFoilInk, kFoilInk, 0, 255};
}

// Sample positions 1, 1 + step, 1 + 2 step, ... (step = size / count), rounded,
// as 0-based indexes.
std::vector<int> SamplePositions(int size, int count) {
  std::vector<int> positions(count);
  const double step = static_cast<double>(size) / count;
  for (int n = 0; n < count; ++n) {
    positions[n] = std::clamp(Round(1.0 + n * step), 1, size) - 1;
  }
  return positions;
}

void Store(const PreviewPixel& px, std::uint8_t* out) {
  out[0] = static_cast<std::uint8_t>(px.c);
  out[1] = static_cast<std::uint8_t>(px.m);
  out[2] = static_cast<std::uint8_t>(px.y);
  out[3] = static_cast<std::uint8_t>(px.k);
  out[4] = static_cast<std::uint8_t>(px.v);
}

// No toner and nothing to mark (a pattern hole is marked in magenta).
bool ShowsSubstrate(const std::uint8_t* cmykv) {
  return cmykv[4] == 0 && cmykv[0] == 0 && cmykv[1] == 0 && cmykv[2] == 0;
}

// The white choke in the white display: where it takes the white away, the
// colours show without it, and a white-only print shows the substrate.
void ShowWhiteChoke(const OrientedImage& grid, const LiveSettings& live, PreviewRules rules,
                    const std::vector<int>& columns, const std::vector<int>& rows,
                    std::vector<std::uint8_t>& pixels) {
  const int width = static_cast<int>(columns.size()), height = static_cast<int>(rows.size());
  const int radius = WhiteChokeRadiusPx(live.whiteChokeMm, width, grid.printWidthPt);
  if (!rules.simulateWhite || radius <= 0) return;
  std::vector<std::uint8_t> white(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < white.size(); ++i) white[i] = pixels[i * 5 + 4];
  ChokePlane(white, width, width, height, radius);
  rules.simulateWhite = false;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const std::size_t i = static_cast<std::size_t>(row) * width + column;
      if (white[i] != 0 || pixels[i * 5 + 4] == 0) continue;
      const PreviewPixel px = rules.printCmy
                                  ? StandardPixel(grid.At(rows[row], columns[column]), rules)
                                  : PreviewPixel{};
      Store(px, &pixels[i * 5]);
    }
  }
}

}  // namespace

PreviewBitmap SubstrateCanvas(int index, int width, int height) {
  PreviewBitmap canvas;
  FillSubstrate(index, width, height, canvas);
  return canvas;
}

void DrawBitmap(PreviewBitmap& page, const PreviewBitmap& piece, int x0, int y0) {
  const int first = std::max(0, -x0);
  const int last = std::min(piece.width, page.width - x0);
  if (last <= first) return;
  for (int y = std::max(0, -y0); y < piece.height && y0 + y < page.height; ++y) {
    std::memcpy(&page.bgrx[(static_cast<std::size_t>(y0 + y) * page.width + x0 + first) * 4],
                &piece.bgrx[(static_cast<std::size_t>(y) * piece.width + first) * 4],
                static_cast<std::size_t>(last - first) * 4);
  }
}

void FillSubstrate(int index, int width, int height, PreviewBitmap& canvas) {
  canvas.width = std::max(0, width);
  canvas.height = std::max(0, height);
  const std::size_t rowBytes = static_cast<std::size_t>(canvas.width) * 4;
  canvas.bgrx.resize(rowBytes * canvas.height);
  const Substrate* plain = &kSubstrates[4];  // white paper for an unknown choice
  for (const Substrate& substrate : kSubstrates) {
    if (substrate.index == index) plain = &substrate;
  }
  for (int row = 0; row < canvas.height; ++row) {
    std::uint8_t* out = canvas.bgrx.data() + row * rowBytes;
    if (row > 0 && (index != kCheckerboardSubstrate || row % kCheckerSquare != 0)) {
      std::copy_n(out - rowBytes, rowBytes, out);  // same as the row above
      continue;
    }
    for (int column = 0; column < canvas.width; ++column, out += 4) {
      if (index == kCheckerboardSubstrate) {
        const bool light = ((row / kCheckerSquare) + (column / kCheckerSquare)) % 2 == 0;
        out[0] = out[1] = out[2] = light ? kCheckerLight : kCheckerDark;
      } else {
        out[0] = plain->blue, out[1] = plain->green, out[2] = plain->red;
      }
      out[3] = 0;
    }
  }
}

void PreviewPixels(const OrientedImage& grid, const ColourAdjustTable& table,
                   const LiveSettings& live, const PreviewOptions& options,
                   std::vector<std::uint8_t>& pixels) {
  const int width = options.width, height = options.height;
  if (width <= 0 || height <= 0 || grid.pixels.empty()) {
    pixels.clear();
    return;
  }
  pixels.resize(static_cast<std::size_t>(width) * height * 5);  // every byte is written below
  const std::vector<int> columns = SamplePositions(grid.workWidthPx, width);
  const std::vector<int> rows = SamplePositions(grid.workHeightPx, height);
  const PreviewRules rules = MakeRules(table, live, options);
  ForEachRowBlock(height, kRowsPerBlock, 0, [&](int firstRow, int endRow) {
    for (int row = firstRow; row < endRow; ++row) {
      std::uint8_t* out = &pixels[static_cast<std::size_t>(row) * width * 5];
      for (int column = 0; column < width; ++column, out += 5) {
        const GridPixel& source = grid.At(rows[row], columns[column]);
        Store(options.foil ? FoilPixel(source) : StandardPixel(source, rules), out);
      }
    }
  });
  if (!options.foil) ShowWhiteChoke(grid, live, rules, columns, rows, pixels);
  if (!options.foil && live.patternPreview && options.patternMask) {
    const std::vector<std::uint8_t> mask = options.patternMask(width, height);
    if (mask.size() == pixels.size() / 5) {
      for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] != 0) Store(PreviewPixel{0, kPatternHoleMagenta, 0, 0, 0}, &pixels[i * 5]);
      }
    }
  }
}

const PreviewBitmap& RenderPreview(const OrientedImage& grid, const ColourAdjustTable& table,
                                   const LiveSettings& live, const PreviewOptions& options,
                                   const ProfilePair& profiles, PreviewState& state,
                                   const TextTable& texts) {
  PreviewBitmap& bitmap = state.bitmap;
  bitmap.notes.clear();
  PreviewPixels(grid, table, live, options, state.pixels);
  if (state.pixels.empty()) {
    bitmap = PreviewBitmap{};
    return bitmap;
  }
  FillSubstrate(options.substrate, options.width, options.height, bitmap);
  state.colours.resize(bitmap.bgrx.size());
  if (const Status shown =
          PreviewToScreen(state.screen, profiles, state.pixels, state.colours, texts);
      !shown) {
    bitmap.notes = {
        Message{texts[entry::kTitle], shown.failure().message, MessageIcon::Exclamation}};
    return bitmap;
  }
  // Where the print lays no toner the substrate shows through.
  const std::uint8_t* pixel = state.pixels.data();
  for (std::size_t i = 0; i < state.colours.size(); i += 4, pixel += 5) {
    if (!ShowsSubstrate(pixel)) std::copy_n(&state.colours[i], 4, &bitmap.bgrx[i]);
  }
  return bitmap;
}

}  // namespace nvx
