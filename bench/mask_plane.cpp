// How long the pattern's mask plane takes for an A4 page at 300 dpi
// (2480 x 3508 pixels, 11.81 pixels a millimetre): 2 mm ellipses with the
// 1 mm gap, at both screen angles, plain and turned a quarter (Rotate), and a
// library shape with a hole. The target for the ellipses is under 150 ms.
//
//   nvx_bench_mask_plane [--benchmark_... flags]

#include "pattern/mask_plane.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kA4Width = 2480;
constexpr int kA4Height = 3508;
constexpr double kPixelsPerMm = 300 / 25.4;

nvx::PatternSettings Ellipses(int angle) {
  nvx::PatternSettings settings;
  settings.sizeXMm = settings.sizeYMm = 2;
  settings.gapMm = 1;
  settings.screenAngle = angle;
  return settings;
}

// A 2 x 1 frame with a hole, as an imported shape would be.
nvx::PatternShape Frame() {
  nvx::PatternShape shape{nvx::PatternShapeKind::Library, {}};
  shape.record.pathCount = 2;
  const float outer[][2] = {{0, 0}, {2, 0}, {2, 1}, {0, 1}};
  const float inner[][2] = {{0.5f, 0.3f}, {1.5f, 0.3f}, {1.5f, 0.7f}, {0.5f, 0.7f}};
  for (int i = 0; i < 4; ++i) {
    shape.record.paths[0].points[i] = {outer[i][0], outer[i][1]};
    shape.record.paths[1].points[i] = {inner[i][0], inner[i][1]};
  }
  shape.record.paths[0].pointCount = shape.record.paths[1].pointCount = 4;
  shape.record.pathFill[1] = nvx::kWhitePathFill;
  return shape;
}

void Run(benchmark::State& state, const nvx::PatternSettings& settings,
         const nvx::PatternShape& shape, bool rotate) {
  const nvx::MaskRequest request{kA4Width, kA4Height, kPixelsPerMm, false, false, rotate};
  for (auto _ : state) {
    auto plane = nvx::GenerateMaskPlane(settings, shape, request, {});
    if (!plane) state.SkipWithError("the plane did not fit in memory");
    benchmark::DoNotOptimize(plane);
  }
}

void EllipsesAt45(benchmark::State& state) { Run(state, Ellipses(45), {}, false); }
void EllipsesAt0(benchmark::State& state) { Run(state, Ellipses(0), {}, false); }
void EllipsesAt45Rotated(benchmark::State& state) { Run(state, Ellipses(45), {}, true); }
void FrameAt45(benchmark::State& state) { Run(state, Ellipses(45), Frame(), false); }

// The first plane of the process, with its memory still untouched, as in a print.
BENCHMARK(EllipsesAt45)
    ->Name("EllipsesAt45/FirstCall")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(EllipsesAt45)->Unit(benchmark::kMillisecond);
BENCHMARK(EllipsesAt0)->Unit(benchmark::kMillisecond);
BENCHMARK(EllipsesAt45Rotated)->Unit(benchmark::kMillisecond);
BENCHMARK(FrameAt45)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
