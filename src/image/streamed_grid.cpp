#include "image/streamed_grid.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <future>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "image/colour.h"
#include "image/parallel_rows.h"
#include "image/white_choke.h"

namespace nvx {
namespace {

constexpr int kBandPixels = 512 * 1024;
constexpr int kScanPixels = 64 * 1024;
// Pixels converted in one call: a thread's temporaries stay in its cache.
constexpr int kStepPixels = 32 * 1024;

// One thread's temporaries for a few rows of the grid.
struct RowTemps {
  RasterBytes rgba;
  RasterBytes cmyk;
  std::vector<GridPixel, UninitialisedAllocator<GridPixel>> pixels;
  explicit RowTemps(std::size_t count) : rgba(4 * count), cmyk(4 * count), pixels(count) {}
};

// Gathers grid rows first .. end - 1 from the decoder's pixels, each with the
// alpha it prints with. A turned grid walks its rows side by side, so that its
// reads stay along the stored rows.
void GatherRows(const GridBands& g, int first, int end, std::uint8_t* rgba) {
  const std::uint8_t* stored = g.pixels->decoded.pixels;
  const BackgroundRule& background = g.pixels->background;
  const std::size_t width = static_cast<std::size_t>(g.width);
  auto take = [&](int row, int column) {
    const std::uint8_t* px = stored + 4 * g.walk.At(column, row);
    std::uint8_t* out = rgba + 4 * ((row - first) * width + column);
    std::memcpy(out, px, 3);
    out[3] = background.Alpha(px);
  };
  if (g.walk.stepX == 1 || g.walk.stepX == -1) {
    for (int row = first; row < end; ++row) {
      for (int column = 0; column < g.width; ++column) take(row, column);
    }
    return;
  }
  for (int column = 0; column < g.width; ++column) {
    for (int row = first; row < end; ++row) take(row, column);
  }
}

// Converts grid rows first .. end - 1 into the temporaries' grid pixels. Rows
// that lie forwards along stored rows are converted where they are; the
// others are gathered first.
void ConvertRows(const GridBands& g, int first, int end, RowTemps& temps) {
  const std::size_t width = static_cast<std::size_t>(g.width);
  const BackgroundRule& background = g.pixels->background;
  if (g.walk.stepX != 1) {
    GatherRows(g, first, end, temps.rgba.data());
    const std::size_t count = (end - first) * width;
    ConvertPixels(g.transform, temps.rgba.data(), temps.cmyk.data(), count);
    for (std::size_t i = 0; i < count; ++i) {
      temps.pixels[i] = FoldCmyk(temps.cmyk.data() + 4 * i, temps.rgba[4 * i + 3]);
    }
    return;
  }
  for (int row = first; row < end; ++row) {
    const std::uint8_t* stored = g.pixels->decoded.pixels + 4 * g.walk.At(0, row);
    const std::size_t at = (row - first) * width;
    std::uint8_t* cmyk = temps.cmyk.data() + 4 * at;
    ConvertPixels(g.transform, stored, cmyk, width);
    GridPixel* out = temps.pixels.data() + at;
    for (std::size_t i = 0; i < width; ++i) {
      out[i] = FoldCmyk(cmyk + 4 * i, background.Alpha(stored + 4 * i));
    }
  }
}

// Grid rows first .. end - 1 as five plane rows each at `planes`.
void SeparateRows(const GridBands& g, int first, int end, RowTemps& temps, std::uint8_t* planes) {
  const std::size_t width = static_cast<std::size_t>(g.width);
  const int step = std::max(1, kStepPixels / g.width);
  for (int from = first; from < end; from += step) {
    const int to = std::min(end, from + step);
    ConvertRows(g, from, to, temps);
    for (int row = from; row < to; ++row) {
      g.separator->Separate(temps.pixels.data() + (row - from) * width, row,
                            planes + (row - first) * width * 5);
    }
  }
}

// The first and last of the decoder's rows that grid rows first .. last read:
// the walk is a straight line, so both are at corners.
std::pair<int, int> StoredRowSpan(const GridBands& g, int first, int last) {
  const std::ptrdiff_t storedWidth = std::max(1, g.pixels->decoded.width);
  std::ptrdiff_t least = g.pixels->decoded.height;
  std::ptrdiff_t most = 0;
  for (int row : {first, last}) {
    for (int column : {0, g.width - 1}) {
      const std::ptrdiff_t stored = g.walk.At(column, row) / storedWidth;
      least = std::min(least, stored);
      most = std::max(most, stored);
    }
  }
  return {static_cast<int>(least), static_cast<int>(most)};
}

// How many of the decoder's rows, from the top, grid rows up to `end` read.
int StoredRowsNeeded(const GridBands& g, int end) {
  return StoredRowSpan(g, 0, end - 1).second + 1;
}

// How many of the decoder's rows, from the top, grid rows from `first` on never read.
int StoredRowsPassed(const GridBands& g, int first) {
  if (first >= g.height) return g.pixels->decoded.height;
  return StoredRowSpan(g, first, g.height - 1).first;
}

}  // namespace

int StreamBandRows(int gridWidth) { return std::max(32, kBandPixels / std::max(1, gridWidth)); }

int ScanBandRows(int gridWidth) { return std::max(1, kScanPixels / std::max(1, gridWidth)); }

namespace {

// Makes the bands one at a time: each band's rows separated into a window that
// holds it and the rows below it that its choke reads, then its white choked.
class BandMaker {
 public:
  BandMaker(const GridBands& g, int bandRows)
      : g_(g),
        bandRows_(bandRows),
        threads_(WorkerThreads(g.threads)),
        rowBytes_(static_cast<std::size_t>(g.width) * 5),
        choke_(g.width, g.height, g.tonerOrder, g.chokeRadiusPx, bandRows, g.threads) {
    const std::size_t stepPixels =
        static_cast<std::size_t>(std::max(1, kStepPixels / g.width)) * g.width;
    temps_.reserve(threads_);
    for (int t = 0; t < threads_; ++t) temps_.emplace_back(stepPixels);
  }

  std::size_t WindowBytes() const {
    return static_cast<std::size_t>(bandRows_ + choke_.Reach()) * rowBytes_;
  }
  int End(int first) const { return std::min(g_.height, first + bandRows_); }
  int Need(int first) const { return std::min(g_.height, End(first) + choke_.Reach()); }

  // The band from `first` in `window`, whose first `held` rows are already separated.
  Status Make(int first, std::uint8_t* window, int held) {
    const int from = first + held, need = Need(first);
    if (need > from) {
      if (g_.pixels->awaitRows) {
        if (Status ready = g_.pixels->awaitRows(StoredRowsNeeded(g_, need)); !ready) return ready;
      }
      const int chunk = (need - from + threads_ - 1) / threads_;
      ForEachRowBlock(need - from, chunk, threads_, [&](int a, int b) {
        SeparateRows(g_, from + a, from + b, temps_[a / chunk],
                     window + (from + a - first) * rowBytes_);
      });
      if (g_.lastRead) GiveBack(StoredRowsPassed(g_, need));
    }
    choke_.ChokeBand({window, WindowBytes()}, first);
    return {};
  }

  // Moves the rows below the band from `first`, separated but not choked, to
  // the start of `next`; returns how many.
  int CarryOver(int first, const std::uint8_t* window, std::uint8_t* next) const {
    const int held = Need(first) - End(first);
    std::memcpy(next, window + (End(first) - first) * rowBytes_, held * rowBytes_);
    return held;
  }

 private:
  // The decoder's first `rows` rows, which the decoder and the bands are done with.
  void GiveBack(int rows) const {
    const DecodedPixels& pixels = *g_.pixels;
    if (rows <= pixels.releasedRows) return;
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.decoded.width) * 4;
    pixels.decoded.memory.ReleasePages(0, rowBytes * rows);
    pixels.releasedRows = rows;
  }

  const GridBands& g_;
  int bandRows_, threads_;
  std::size_t rowBytes_;
  StreamedWhiteChoke choke_;
  std::vector<RowTemps> temps_;
};

}  // namespace

Result<bool> MakeGridBands(const GridBands& g, const PlaneBandSink& sink,
                           const std::function<void(int)>& progress) {
  if (g.width <= 0 || g.height <= 0) return true;
  // Given-back rows read as zeros: a pass after the last fails instead.
  if (g.pixels->releasedRows > 0) return Fail("The image's pixels were already printed.");
  const int bandRows = g.bandRows > 0 ? g.bandRows : StreamBandRows(g.width);
  try {
    BandMaker maker(g, bandRows);
    // Two windows: the next band is made in one while the sink takes the other.
    std::array<RasterBytes, 2> windows{RasterBytes(maker.WindowBytes()),
                                       RasterBytes(maker.WindowBytes())};
    if (Status made = maker.Make(0, windows[0].data(), 0); !made) return made.failure();
    for (int first = 0, current = 0; first < g.height; first += bandRows, current ^= 1) {
      const int next = maker.End(first);
      std::uint8_t* nextWindow = windows[current ^ 1].data();
      auto makeNext = [&maker, next, nextWindow,
                       held = next < g.height
                                  ? maker.CarryOver(first, windows[current].data(), nextWindow)
                                  : 0] { return maker.Make(next, nextWindow, held); };
      std::future<Status> ahead;
      Status madeNext;
      if (next < g.height) {
        try {
          ahead = std::async(std::launch::async, makeNext);
        } catch (const std::system_error&) {
          madeNext = makeNext();  // no thread to be had: made before the sink's turn
        }
      }
      const bool taken = sink(first, next, windows[current].data());
      if (ahead.valid()) madeNext = ahead.get();
      if (!taken) return false;
      if (progress) progress(next);
      if (!madeNext) return madeNext.failure();
    }
  } catch (const std::bad_alloc&) {
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  return true;
}

}  // namespace nvx
