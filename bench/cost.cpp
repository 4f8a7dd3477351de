// What costing adds to a print: an A4 page at 300 dpi (2480 x 3508 pixels plus
// the job's two blank columns and rows, five planes, about 44 MB) with toner in
// every plane, costed as the print does it: the settings read, the four plane
// sums, the arithmetic and the "TCOST" write.
//
//   nvx_bench_cost [--benchmark_... flags]
//
// The settings file lives in a private temporary folder.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "cost/cost_estimate.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 2480 + 2;
constexpr int kHeight = 3508 + 2;

std::vector<std::uint8_t> NoiseRaster() {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kWidth) * kHeight * 5);
  std::minstd_rand random(1);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random() >> 8);
  return bytes;
}

void CostA4At300Dpi(benchmark::State& state) {
  std::string folder = (fs::temp_directory_path() / "nvx-bench-cost-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const nvx::SettingsFiles files{folder, fs::path(folder) / "machine"};
  nvx::WriteSetting(files, "Stats", "CMYT", "CMY,11500,5%,216,A4");
  nvx::WriteSetting(files, "Stats", "WhitT", "W,5000,10%,100,A4");
  const std::vector<std::uint8_t> bytes = NoiseRaster();
  const nvx::CostRaster raster{bytes, kWidth, kHeight, 595, 842};
  for (auto _ : state) {
    auto cost = nvx::CostPrint(files, raster, nvx::TonerOrder::WhiteLast, 1);
    benchmark::DoNotOptimize(cost);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * kHeight * 4);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}
BENCHMARK(CostA4At300Dpi)->Unit(benchmark::kMillisecond)->UseRealTime();

// The arithmetic alone, without the settings file: the plane sums at memory speed.
void EstimateA4At300Dpi(benchmark::State& state) {
  nvx::CostSettings settings;
  settings.Row(nvx::Consumable::ColourToner) = {"CMY", "11500", "5%", "216", "A4"};
  const std::vector<std::uint8_t> bytes = NoiseRaster();
  const nvx::CostRaster raster{bytes, kWidth, kHeight, 595, 842};
  for (auto _ : state) {
    auto cost = nvx::EstimateCost(raster, nvx::TonerOrder::WhiteLast, 1, settings);
    benchmark::DoNotOptimize(cost);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(EstimateA4At300Dpi)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
