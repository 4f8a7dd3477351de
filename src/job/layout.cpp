#include "job/layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "lang/text_entries.h"
#include "platform/huge_pages.h"

namespace nvx {
namespace {

constexpr double kMillimetrePt = 2.835;

long long RoundEven(double value) { return std::llrint(value); }  // the default mode: ties to even

int Truncate(double value) { return static_cast<int>(value); }

// h(s, n): the share of the spare room that goes before each of n copies.
int Share(int spare, int count) { return Truncate(static_cast<double>(spare) / (count + 1)); }

// Copies that fit across: as many as leave room for the one-millimetre gaps.
int AutomaticCount(int free, int copy, int gap) {
  int n = Truncate(static_cast<double>(free) / copy);
  while (n > 1 && n * copy + (n - 1) * gap >= free) --n;
  return std::max(n, 1);
}

struct Axis {
  int spare;
  int count;
};

void Align(const PlacementInput& in, int mL, int mT, Axis x, Axis y, int gap, Placement& p) {
  const int a = x.count + y.count > 2 ? -1 : in.alignment;
  p.xPx = mL;
  p.yPx = mT;
  const int hx = Share(x.spare, x.count);
  const int hy = Share(y.spare, y.count);
  switch (a) {
    case 2:
      p.xPx += hx;
      break;
    case 3:
      p.xPx += 2 * hx;
      break;
    case 4:
      break;
    case 5:
      p.yPx += hy;
      break;
    case 6:
      p.xPx += 2 * hx;
      p.yPx += hy;
      break;
    case 7:
      p.xPx += hx;
      p.yPx += 2 * hy;
      break;
    case 8:
      p.xPx += 2 * hx;
      p.yPx += 2 * hy;
      break;
    case 9:
      p.yPx += 2 * hy;
      break;
    default:
      if (in.optimalLayout) {
        // A block with one-millimetre gaps, centred.
        p.xPx += Truncate(x.spare / 2.0);
        p.yPx += Truncate(y.spare / 2.0);
        p.gapXPx = gap;
        p.gapYPx = gap;
      } else {
        // Equal spaces at the edges and between the copies.
        p.xPx += hx;
        p.yPx += hy;
        p.gapXPx = x.count > 1 ? hx + gap : 0;
        p.gapYPx = y.count > 1 ? hy + gap : 0;
      }
  }
}

void PageBox(const PlacementInput& in, Placement& p) {
  p.pageBoxWidthPx = in.areaWidthPx;
  p.pageBoxHeightPx =
      Truncate(static_cast<double>(in.areaWidthPx) * in.pageHeightPt / in.pageWidthPt);
  if (p.pageBoxHeightPx > in.areaHeightPx) {
    p.pageBoxHeightPx = in.areaHeightPx;
    p.pageBoxWidthPx =
        Truncate(static_cast<double>(in.areaHeightPx) * in.pageWidthPt / in.pageHeightPt);
  }
}

}  // namespace

void SetCopySizeFromPrintSize(PlacementInput& input, float printWidthPt, float printHeightPt) {
  Placement box;
  PageBox(input, box);
  input.copyWidthPx =
      Truncate(static_cast<double>(box.pageBoxWidthPx) * printWidthPt / input.pageWidthPt);
  input.copyHeightPx =
      Truncate(static_cast<double>(box.pageBoxHeightPx) * printHeightPt / input.pageHeightPt);
}

Placement PlaceCopies(const PlacementInput& in) {
  Placement p;
  if (in.pageWidthPt <= 0 || in.pageHeightPt <= 0) return p;
  PageBox(in, p);
  const int pw = p.pageBoxWidthPx;
  const int ph = p.pageBoxHeightPx;
  const int mL =
      static_cast<int>(RoundEven(static_cast<double>(pw) * (in.leftMargin / 100) / in.pageWidthPt));
  const int mR = static_cast<int>(
      RoundEven(static_cast<double>(pw) * (in.rightMargin / 100) / in.pageWidthPt));
  const int mT =
      static_cast<int>(RoundEven(static_cast<double>(ph) * (in.topMargin / 100) / in.pageHeightPt));
  const int mB = static_cast<int>(
      RoundEven(static_cast<double>(ph) * (in.bottomMargin / 100) / in.pageHeightPt));
  const int freeW = pw - mL - mR;
  const int freeH = ph - mT - mB;
  // A copy smaller than a preview pixel is still a copy: it is placed like any other.
  const int iw = std::max(in.copyWidthPx, 1);
  const int ih = std::max(in.copyHeightPx, 1);

  const int gap = Truncate(kMillimetrePt * pw / in.pageWidthPt);
  p.nX = in.automaticTile ? AutomaticCount(freeW, iw, gap) : std::max(in.xCopy, 1);
  p.nY = in.automaticTile ? AutomaticCount(freeH, ih, gap) : std::max(in.yCopy, 1);
  const int spareX = freeW - iw * p.nX - gap * (p.nX - 1);
  const int spareY = freeH - ih * p.nY - gap * (p.nY - 1);
  Align(in, mL, mT, {spareX, p.nX}, {spareY, p.nY}, gap, p);

  p.gapX = static_cast<int>(RoundEven(static_cast<double>(in.pageWidthPt) * p.gapXPx / pw));
  p.gapY = static_cast<int>(RoundEven(static_cast<double>(in.pageHeightPt) * p.gapYPx / ph));
  p.left = static_cast<int>(RoundEven(static_cast<double>(in.pageWidthPt) * p.xPx / pw));
  p.top = static_cast<int>(RoundEven(static_cast<double>(in.pageHeightPt) * p.yPx / ph));
  p.placed = true;
  return p;
}

namespace {

struct GridSize {
  int gapPx;
  std::int64_t pixels;
  float points;
};

GridSize AxisSize(int count, int size, float sizePt, int gapPt, int gapPx) {
  return {gapPx, static_cast<std::int64_t>(size) * count + 2 + std::int64_t{gapPx} * (count - 1),
          sizePt * static_cast<float>(count) + static_cast<float>(gapPt * (count - 1))};
}

// A grid wider (or taller) than the printable area closes up its gaps. A single
// copy has no gap to close and stays as it is.
GridSize ShrinkAxis(GridSize axis, int count, int size, float sizePt, int& gapPt, float maxPt,
                    float extraPt, int floorPx) {
  if (!(maxPt < axis.points) || count < 2) return axis;
  // The gaps close up to nothing, never below: copies that do not fit without
  // gaps were refused before (CopiesFit).
  gapPt = static_cast<int>(
      RoundEven(std::max(0.0f, (maxPt - axis.points - extraPt) / static_cast<float>(count - 1) +
                                   static_cast<float>(gapPt) - 1.0f)));
  const int gapPx = std::max(floorPx, Truncate(static_cast<double>(size) * gapPt / sizePt));
  return AxisSize(count, size, sizePt, gapPt, gapPx);
}

}  // namespace

bool CopiesFit(const TilingInput& in) {
  // Half a point of slack: the sizes come from rounded preview pixels. A single
  // copy across (or down) was fitted to the page when it was loaded.
  constexpr float kSlackPt = 0.5f;
  auto fits = [](int count, float size, float room) {
    return count < 2 || static_cast<float>(count) * size <= room + kSlackPt;
  };
  return fits(in.nX, in.widthPt, in.maxWidthPt) && fits(in.nY, in.heightPt, in.maxHeightPt);
}

std::string CopiesDoNotFitMessage(const TilingInput& in) {
  auto mm = [](double pt) { return std::to_string(static_cast<int>(std::lround(pt * 25.4 / 72))); };
  return std::to_string(in.nX) + " x " + std::to_string(in.nY) + " copies of " + mm(in.widthPt) +
         " x " + mm(in.heightPt) + " mm do not fit the printable area of " + mm(in.maxWidthPt) +
         " x " + mm(in.maxHeightPt) +
         " mm. Nothing was printed: make fewer copies, or a smaller print.";
}

Result<TileLayout> LayOutCopies(const TilingInput& in, const TextTable& text) {
  const std::uint64_t sourceBytes = static_cast<std::uint64_t>(std::max(in.width, 0)) *
                                    static_cast<std::uint64_t>(std::max(in.height, 0)) * 5;
  if (in.width <= 0 || in.height <= 0 || !(in.widthPt > 0) || !(in.heightPt > 0) || in.nX < 1 ||
      in.nY < 1 || (!in.rows && in.source.size() < sourceBytes)) {
    return Fail("Nothing was prepared to print.");
  }
  if (!CopiesFit(in)) return Fail(CopiesDoNotFitMessage(in), Failure::Kind::Refused);
  int gapX = in.gapX;
  int gapY = in.gapY;
  const double gapXPt = in.optimalLayout ? kMillimetrePt : gapX;
  const double gapYPt = in.optimalLayout ? kMillimetrePt : gapY;
  GridSize x =
      AxisSize(in.nX, in.width, in.widthPt, gapX, Truncate(in.width * gapXPt / in.widthPt));
  GridSize y =
      AxisSize(in.nY, in.height, in.heightPt, gapY, Truncate(in.height * gapYPt / in.heightPt));
  x = ShrinkAxis(x, in.nX, in.width, in.widthPt, gapX, in.maxWidthPt, 0.0f, 2);
  y = ShrinkAxis(y, in.nY, in.height, in.heightPt, gapY, in.maxHeightPt, 1.0f, 3);

  const std::uint64_t bytes = static_cast<std::uint64_t>(x.pixels) * y.pixels * 5;
  if (x.pixels <= 0 || y.pixels <= 0 || bytes > kMaxRasterBytes) {
    return Fail(text[entry::kImageTooBigForCopies]);
  }
  TileLayout layout;
  TiledImage& image = layout.image;
  image.xPixel = static_cast<int>(x.pixels);
  image.yPixel = static_cast<int>(y.pixels);
  // The raster prints at the copies' own scale, blank pixels and gaps included,
  // so every pixel lands where the layout put it and nothing is squeezed.
  image.xPoint = static_cast<float>(x.pixels) * in.widthPt / static_cast<float>(in.width);
  image.yPoint = static_cast<float>(y.pixels) * in.heightPt / static_cast<float>(in.height);
  image.left = in.left;
  image.top = in.top;
  layout.gapXPx = x.gapPx;
  layout.gapYPx = y.gapPx;
  return layout;
}

namespace {

// Walks the tiled raster top to bottom: `copyRow(source)` lays out the five
// plane rows of one image row (source: its five plane rows), `blank(bytes)`
// stands for rows of nothing (gaps and the spare rows). Stops when either
// returns false.
template <class CopyRow, class Blank>
bool WalkTiledRows(const TilingInput& in, const TileLayout& layout, const UiHooks& hooks,
                   CopyRow&& copyRow, Blank&& blank) {
  const std::size_t planeRowBytes = static_cast<std::size_t>(in.width) * 5;
  const std::size_t rowBytes = static_cast<std::size_t>(layout.image.xPixel) * 5;
  std::size_t left = rowBytes * static_cast<std::size_t>(layout.image.yPixel);
  for (int r = 1; r <= in.nY; ++r) {
    if (in.rows) {
      // The rows' maker reports the progress as it makes them.
      const bool made = in.rows(r - 1, [&](const std::uint8_t* source) {
        left -= rowBytes;
        return copyRow(source);
      });
      if (!made) return false;
    }
    const std::uint8_t* source = in.rows ? nullptr : in.source.data();
    for (int row = 0; source && row < in.height; ++row, source += planeRowBytes) {
      if (!copyRow(source)) return false;
      left -= rowBytes;
      hooks.Progress(static_cast<int>(RoundEven(100.0 * r / in.nY)));
    }
    const std::size_t gap = std::min<std::size_t>(rowBytes * layout.gapYPx, left);
    if (gap > 0 && !blank(gap)) return false;
    left -= gap;
  }
  return left == 0 || blank(left);
}

// The five plane rows of one image row, each with its copies side by side and
// the zeros of the gaps and the spare columns after each.
void LayOutRow(const TilingInput& in, const TileLayout& layout, const std::uint8_t* source,
               std::uint8_t* out) {
  const std::size_t w = static_cast<std::size_t>(in.width);
  const std::size_t rowBytes = static_cast<std::size_t>(layout.image.xPixel);
  const std::size_t pitch = static_cast<std::size_t>(layout.gapXPx) + w;
  for (int plane = 0; plane < 5; ++plane, source += w, out += rowBytes) {
    for (int c = 0; c < in.nX; ++c) {
      const std::size_t at = static_cast<std::size_t>(c) * pitch;
      const std::size_t next = c + 1 < in.nX ? at + pitch : rowBytes;
      std::memcpy(out + at, source, w);
      std::memset(out + at + w, 0, next - at - w);
    }
  }
}

}  // namespace

Result<TiledImage> TileCopies(const TilingInput& in, const TextTable& text, const UiHooks& hooks) {
  Result<TileLayout> layout = LayOutCopies(in, text);
  if (!layout) return layout.failure();
  TiledImage image = std::move(layout->image);
  try {
    platform::ResizeOnHugePages(image.data, static_cast<std::size_t>(image.xPixel) *
                                                static_cast<std::size_t>(image.yPixel) * 5);
  } catch (const std::bad_alloc&) {
    return Fail(text[entry::kImageTooBigForCopies]);
  }
  // The raster is fresh memory: each byte is written once, the copies' pixels
  // or the zeros of the gaps and of the spare columns and rows.
  const std::size_t rowBytes = static_cast<std::size_t>(image.xPixel) * 5;
  std::uint8_t* cursor = image.data.data();
  WalkTiledRows(
      in, *layout, hooks,
      [&](const std::uint8_t* source) {
        LayOutRow(in, *layout, source, cursor);
        cursor += rowBytes;
        return true;
      },
      [&](std::size_t bytes) {
        std::memset(cursor, 0, bytes);
        cursor += bytes;
        return true;
      });
  return image;
}

bool WriteTiledRows(const TilingInput& in, const TileLayout& layout, const platform::ByteSink& sink,
                    const UiHooks& hooks, std::size_t bandBytes) {
  const std::size_t rowBytes = static_cast<std::size_t>(layout.image.xPixel) * 5;
  const std::size_t bandRows = std::max<std::size_t>(1, bandBytes / rowBytes);
  std::vector<std::uint8_t> band;
  try {
    band.resize(bandRows * rowBytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::size_t filled = 0;
  auto flush = [&] {
    const bool sent = filled == 0 || sink({reinterpret_cast<const char*>(band.data()), filled});
    filled = 0;
    return sent;
  };
  return WalkTiledRows(
             in, layout, hooks,
             [&](const std::uint8_t* source) {
               LayOutRow(in, layout, source, band.data() + filled);
               filled += rowBytes;
               return filled < band.size() || flush();
             },
             [&](std::size_t bytes) {
               if (!flush()) return false;
               std::fill(band.begin(), band.end(), std::uint8_t{0});
               for (; bytes > 0; bytes -= std::min(bytes, band.size())) {
                 if (!sink({reinterpret_cast<const char*>(band.data()),
                            std::min(bytes, band.size())}))
                   return false;
               }
               return true;
             }) &&
         flush();
}

}  // namespace nvx
