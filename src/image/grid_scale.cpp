#include "image/grid_scale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace nvx {
namespace {

struct Tap {
  int index;
  float weight;
};

// The source pixels behind each target pixel along one axis, with weights
// summing to one: a box over the covered span when shrinking, two linear
// taps when growing.
std::vector<std::vector<Tap>> AxisTaps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
  const double scale = static_cast<double>(from) / to;
  for (int t = 0; t < to; ++t) {
    std::vector<Tap>& list = taps[static_cast<std::size_t>(t)];
    if (scale > 1) {
      const double begin = t * scale;
      const double end = begin + scale;
      for (int s = static_cast<int>(begin); s < std::min<double>(end, from); ++s) {
        const double cover = std::min<double>(end, s + 1) - std::max<double>(begin, s);
        if (cover > 0) list.push_back({s, static_cast<float>(cover / scale)});
      }
    } else {
      const double centre = std::clamp((t + 0.5) * scale - 0.5, 0.0, from - 1.0);
      const int s = static_cast<int>(centre);
      const float f = static_cast<float>(centre - s);
      list.push_back({s, 1 - f});
      if (s + 1 < from && f > 0) list.push_back({s + 1, f});
    }
  }
  return taps;
}

std::uint8_t Byte(float value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

OrientedImage ScaleGrid(const OrientedImage& grid, int widthPx, int heightPx) {
  OrientedImage out;
  out.workWidthPx = std::max(widthPx, 1);
  out.workHeightPx = std::max(heightPx, 1);
  out.printWidthPt = grid.printWidthPt;
  out.printHeightPt = grid.printHeightPt;
  out.pixels.resize(static_cast<std::size_t>(out.workWidthPx) * out.workHeightPx);
  if (grid.workWidthPx <= 0 || grid.workHeightPx <= 0) {
    std::fill(out.pixels.begin(), out.pixels.end(), GridPixel{});
    return out;
  }
  const auto columns = AxisTaps(grid.workWidthPx, out.workWidthPx);
  const auto rows = AxisTaps(grid.workHeightPx, out.workHeightPx);
  for (int y = 0; y < out.workHeightPx; ++y) {
    for (int x = 0; x < out.workWidthPx; ++x) {
      float c = 0, m = 0, ye = 0, loaded = 0, alpha = 0, weight = 0;
      float plainC = 0, plainM = 0, plainY = 0;
      for (const Tap& r : rows[static_cast<std::size_t>(y)]) {
        for (const Tap& col : columns[static_cast<std::size_t>(x)]) {
          const GridPixel& p = grid.At(r.index, col.index);
          const float w = r.weight * col.weight;
          const float covered = w * p.loadedAlpha;
          c += covered * p.c;
          m += covered * p.m;
          ye += covered * p.y;
          loaded += covered;
          alpha += w * p.alpha;
          weight += w;
          plainC += w * p.c;
          plainM += w * p.m;
          plainY += w * p.y;
        }
      }
      GridPixel& q = out.pixels[static_cast<std::size_t>(y) * out.workWidthPx + x];
      // Wholly transparent: the colours the file stores there, which print
      // when the background is not removed.
      q.c = Byte(loaded > 0 ? c / loaded : plainC / weight);
      q.m = Byte(loaded > 0 ? m / loaded : plainM / weight);
      q.y = Byte(loaded > 0 ? ye / loaded : plainY / weight);
      q.loadedAlpha = Byte(weight > 0 ? loaded / weight : 0);
      q.alpha = Byte(weight > 0 ? alpha / weight : 0);
    }
  }
  return out;
}

}  // namespace nvx
