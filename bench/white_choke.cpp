// The white choke of an A4 page at 300 dpi: 2 mm, the most it takes, in
// under 100 ms.
#include "image/white_choke.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

void ChokeA4(benchmark::State& state) {
  std::vector<std::uint8_t> planes(static_cast<std::size_t>(kWidth) * 5 * kHeight);
  // A page of white discs and bars: plenty of edges to pull in.
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int dx = x % 300 - 150, dy = y % 300 - 150;
      const bool white = dx * dx + dy * dy < 120 * 120 || (y / 40) % 5 == 0;
      planes[(static_cast<std::size_t>(y) * 5 + 3) * kWidth + x] = white ? 255 : 0;
    }
  }
  const int radius = nvx::WhiteChokeRadiusPx(nvx::kMaxWhiteChokeMm, kWidth, 595.2f);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::uint8_t> copy = planes;
    state.ResumeTiming();
    nvx::ChokeWhitePlane(copy, kWidth, kHeight, nvx::TonerOrder::WhiteLast, radius);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(ChokeA4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
