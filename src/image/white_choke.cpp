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

// Per pixel, how far along its row the nearest pixel without white is (the
// row's ends count as such), capped at radius + 1.
std::vector<std::uint16_t> RowDistances(std::span<const std::uint8_t> plane, std::size_t stride,
                                        int width, int height, int radius, int threads) {
  std::vector<std::uint16_t> distance(static_cast<std::size_t>(width) * height);
  const int cap = radius + 1;
  ForEachRowBlock(height, kBlockRows, threads, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      const std::uint8_t* white = plane.data() + y * stride;
      std::uint16_t* d = distance.data() + static_cast<std::size_t>(y) * width;
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
  return distance;
}

// Marks the pixels whose whole window of rows y - radius .. y + radius has no
// pixel without white within radius + 1 along the row: no disc there can
// reach an edge, so they keep their white without a closer look.
std::vector<std::uint8_t> InteriorPixels(const std::vector<std::uint16_t>& distance, int width,
                                         int height, int radius) {
  std::vector<std::uint8_t> interior(distance.size(), 0);
  std::vector<std::uint16_t> fullRows(width, 0);
  const int cap = radius + 1;
  const int window = 2 * radius + 1;
  for (int row = 0; row < height; ++row) {
    const std::uint16_t* d = distance.data() + static_cast<std::size_t>(row) * width;
    const int centre = row - radius;
    std::uint8_t* mark =
        centre >= 0 ? interior.data() + static_cast<std::size_t>(centre) * width : nullptr;
    for (int x = 0; x < width; ++x) {
      fullRows[x] = d[x] == cap ? static_cast<std::uint16_t>(std::min(fullRows[x] + 1, window)) : 0;
      if (mark) mark[x] = fullRows[x] == window;
    }
  }
  return interior;
}

}  // namespace

int WhiteChokeRadiusPx(double chokeMm, int workWidthPx, float printWidthPt) {
  if (!(chokeMm > 0) || workWidthPx <= 0 || !(printWidthPt > 0)) return 0;
  const double pixelsPerMm = workWidthPx / (printWidthPt / 72.0 * 25.4);
  return static_cast<int>(RoundHalfEven(std::min(chokeMm, kMaxWhiteChokeMm) * pixelsPerMm));
}

void ChokePlane(std::span<std::uint8_t> plane, std::size_t stride, int width, int height,
                int radius, int threads) {
  if (radius <= 0 || width <= 0 || height <= 0) return;
  const std::vector<std::uint16_t> distance =
      RowDistances(plane, stride, width, height, radius, threads);
  const std::vector<std::uint8_t> interior = InteriorPixels(distance, width, height, radius);
  // The disc's half-width on each row offset.
  std::vector<std::uint16_t> halfWidth(radius + 1);
  for (int dy = 0; dy <= radius; ++dy)
    halfWidth[dy] = static_cast<std::uint16_t>(std::floor(std::sqrt(radius * radius - dy * dy)));

  // A pixel loses its white when a pixel without white lies within the disc;
  // rows past the image's edge have none.
  auto reachesEdge = [&](int x, int y) {
    if (y < radius || y + radius >= height) return true;
    for (int dy = -radius; dy <= radius; ++dy) {
      if (distance[static_cast<std::size_t>(y + dy) * width + x] <= halfWidth[std::abs(dy)])
        return true;
    }
    return false;
  };
  ForEachRowBlock(height, kBlockRows, threads, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      std::uint8_t* white = plane.data() + y * stride;
      const std::uint8_t* inside = interior.data() + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        if (white[x] && !inside[x] && reachesEdge(x, y)) white[x] = 0;
      }
    }
  });
}

void ChokeWhitePlane(std::span<std::uint8_t> planes, int width, int height, TonerOrder order,
                     int radius, int threads) {
  const std::size_t whitePlane = order == TonerOrder::WhiteFirst ? 0 : 3;
  if (planes.size() < static_cast<std::size_t>(width) * kPlanes * height) return;
  ChokePlane(planes.subspan(whitePlane * width), static_cast<std::size_t>(width) * kPlanes, width,
             height, radius, threads);
}

}  // namespace nvx
