#include "image/white_choke.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/parallel_rows.h"
#include "settings/numbers.h"

namespace nvx {
namespace {

constexpr int kPlanes = 5;
constexpr int kBlockRows = 32;

// Per pixel of rows first .. end - 1, how far along its row the nearest pixel
// without white is (the row's ends count as such), capped at radius + 1; row
// `first` (at `plane`) goes to `out`, the others after it.
void RowDistances(const std::uint8_t* plane, std::size_t stride, int width, int first, int end,
                  int radius, int threads, std::uint16_t* out) {
  const int cap = radius + 1;
  ForEachRowBlock(end - first, kBlockRows, threads, [&](int from, int to) {
    for (int y = first + from; y < first + to; ++y) {
      const std::uint8_t* white = plane + (y - first) * stride;
      std::uint16_t* d = out + static_cast<std::size_t>(y - first) * width;
      int run = 0;
      for (int x = 0; x < width; ++x) {
        run = white[x] ? std::min(run + 1, cap) : 0;
        d[x] = static_cast<std::uint16_t>(run);
      }
      run = 0;
      for (int x = width - 1; x >= 0; --x) {
        run = white[x] ? std::min(run + 1, cap) : 0;
        d[x] = static_cast<std::uint16_t>(std::min<int>(d[x], run));
      }
    }
  });
}

}  // namespace

// The plane is choked a band of rows at a time, top first, so that what it
// needs beside the plane stays small: the row distances of the band and of
// `radius` rows above and below it (taken before those rows were choked), and
// which of the band's pixels are inside.
class BandedChoke {
 public:
  BandedChoke(std::span<std::uint8_t> plane, std::size_t stride, int width, int height, int radius,
              int threads, int bandRows)
      : plane_(plane),
        stride_(stride),
        width_(width),
        height_(height),
        radius_(radius),
        threads_(threads),
        band_(std::max(1, bandRows)),
        distance_(static_cast<std::size_t>(band_ + 2 * radius) * width),
        interior_(static_cast<std::size_t>(band_) * width),
        halfWidth_(radius + 1) {
    // The disc's half-width on each row offset.
    for (int dy = 0; dy <= radius; ++dy)
      halfWidth_[dy] = static_cast<std::uint16_t>(std::floor(std::sqrt(radius * radius - dy * dy)));
  }

  void Run() {
    for (int first = 0; first < height_; first += band_) ChokeBand(first);
  }

  // The bands come top first; each reads the plane's rows of its own and the
  // radius below it, not yet choked.
  void ChokeBand(int first) {
    const int end = std::min(height_, first + band_);
    TakeDistances(first);
    MarkInterior(first, end);
    ChokeRows(first, end);
  }

  // The plane's memory begins at row `firstRow` (a band's rows alone).
  void MovePlane(std::span<std::uint8_t> plane, int firstRow) {
    plane_ = plane;
    planeFirstRow_ = firstRow;
  }

 private:
  std::uint8_t* Row(int y) const {
    return plane_.data() + static_cast<std::size_t>(y - planeFirstRow_) * stride_;
  }

  // The distances of rows first - radius .. first + band + radius - 1 (those
  // in the plane), row first - radius at the start of distance_.
  void TakeDistances(int first) {
    const std::size_t rowCount = static_cast<std::size_t>(width_);
    const int kept = first == 0 ? 0 : 2 * radius_;
    if (kept > 0) {
      std::copy_n(distance_.begin() + static_cast<std::ptrdiff_t>(band_ * rowCount),
                  kept * rowCount, distance_.begin());
    }
    const int from = std::max(0, first - radius_ + kept);
    const int to = std::min(height_, first + band_ + radius_);
    if (to > from) {
      RowDistances(Row(from), stride_, width_, from, to, radius_, threads_, Distances(from, first));
    }
  }

  std::uint16_t* Distances(int row, int first) {
    return distance_.data() + static_cast<std::size_t>(row - first + radius_) * width_;
  }

  // Marks the pixels whose whole window of rows y - radius .. y + radius has
  // no pixel without white within radius + 1 along the row: no disc there can
  // reach an edge, so they keep their white without a closer look.
  void MarkInterior(int first, int end) {
    std::fill(interior_.begin(), interior_.end(), std::uint8_t{0});
    std::vector<std::uint16_t> fullRows(width_, 0);
    const int cap = radius_ + 1;
    const int window = 2 * radius_ + 1;
    for (int row = std::max(0, first - radius_); row < std::min(height_, end + radius_); ++row) {
      const std::uint16_t* d = Distances(row, first);
      const int centre = row - radius_;
      std::uint8_t* mark =
          centre >= first ? interior_.data() + static_cast<std::size_t>(centre - first) * width_
                          : nullptr;
      for (int x = 0; x < width_; ++x) {
        fullRows[x] =
            d[x] == cap ? static_cast<std::uint16_t>(std::min(fullRows[x] + 1, window)) : 0;
        if (mark) mark[x] = fullRows[x] == window;
      }
    }
  }

  // A pixel loses its white when a pixel without white lies within the disc;
  // rows past the plane's edge have none.
  void ChokeRows(int first, int end) {
    auto reachesEdge = [&](int x, int y) {
      if (y < radius_ || y + radius_ >= height_) return true;
      for (int dy = -radius_; dy <= radius_; ++dy) {
        if (Distances(y + dy, first)[x] <= halfWidth_[std::abs(dy)]) return true;
      }
      return false;
    };
    ForEachRowBlock(end - first, kBlockRows, threads_, [&](int from, int to) {
      for (int y = first + from; y < first + to; ++y) {
        std::uint8_t* white = Row(y);
        const std::uint8_t* inside =
            interior_.data() + static_cast<std::size_t>(y - first) * width_;
        for (int x = 0; x < width_; ++x) {
          if (white[x] && !inside[x] && reachesEdge(x, y)) white[x] = 0;
        }
      }
    });
  }

  std::span<std::uint8_t> plane_;
  int planeFirstRow_ = 0;
  std::size_t stride_;
  int width_, height_, radius_, threads_, band_;
  std::vector<std::uint16_t> distance_;
  std::vector<std::uint8_t> interior_;
  std::vector<std::uint16_t> halfWidth_;
};

namespace {

std::size_t WhitePlaneOffset(TonerOrder order, int width) {
  return (order == TonerOrder::WhiteFirst ? 0 : 3) * static_cast<std::size_t>(width);
}

}  // namespace

StreamedWhiteChoke::StreamedWhiteChoke(int width, int height, TonerOrder order, int radiusPx,
                                       int bandRows, int threads)
    : whiteOffset_(WhitePlaneOffset(order, width)) {
  if (radiusPx <= 0 || width <= 0 || height <= 0) return;
  choke_ = std::make_unique<BandedChoke>(std::span<std::uint8_t>{},
                                         static_cast<std::size_t>(width) * kPlanes, width, height,
                                         radiusPx, threads, bandRows);
  reach_ = radiusPx;
}

StreamedWhiteChoke::~StreamedWhiteChoke() = default;

void StreamedWhiteChoke::ChokeBand(std::span<std::uint8_t> planes, int first) {
  if (!choke_) return;
  choke_->MovePlane(planes.subspan(whiteOffset_), first);
  choke_->ChokeBand(first);
}

int WhiteChokeRadiusPx(double chokeMm, int workWidthPx, float printWidthPt) {
  if (!(chokeMm > 0) || workWidthPx <= 0 || !(printWidthPt > 0)) return 0;
  const double pixelsPerMm = workWidthPx / (printWidthPt / 72.0 * 25.4);
  return static_cast<int>(RoundHalfEven(std::min(chokeMm, kMaxWhiteChokeMm) * pixelsPerMm));
}

void ChokePlane(std::span<std::uint8_t> plane, std::size_t stride, int width, int height,
                int radius, int threads, int bandRows) {
  if (radius <= 0 || width <= 0 || height <= 0) return;
  BandedChoke(plane, stride, width, height, radius, threads, bandRows).Run();
}

void ChokeWhitePlane(std::span<std::uint8_t> planes, int width, int height, TonerOrder order,
                     int radius, int threads, int bandRows) {
  if (planes.size() < static_cast<std::size_t>(width) * kPlanes * height) return;
  ChokePlane(planes.subspan(WhitePlaneOffset(order, width)),
             static_cast<std::size_t>(width) * kPlanes, width, height, radius, threads, bandRows);
}

}  // namespace nvx
