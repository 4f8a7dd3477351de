// How long the preview takes to redraw after the user moves a slider: the
// photograph is loaded, converted, oriented and placed once, as the main
// window does on Open; each iteration then moves the brightness slider and
// redraws.
//
//   nvx_bench_preview_redraw [--benchmark_... flags] [IMAGE]
//
// IMAGE defaults to the bundled sample photograph. The settings live in a
// private temporary folder, so the user's own are never read or changed.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "job/image_document.h"
#include "job/print_session.h"

namespace {

namespace fs = std::filesystem;

// A private XDG_CONFIG_HOME for the benchmark's lifetime, removed afterwards.
class PrivateSettings {
 public:
  PrivateSettings() {
    std::string pattern = (fs::temp_directory_path() / "nvx-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  ~PrivateSettings() {
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
  }
  PrivateSettings(const PrivateSettings&) = delete;
  PrivateSettings& operator=(const PrivateSettings&) = delete;

  bool Ready() const { return !folder_.empty(); }

 private:
  fs::path folder_;
};

// The main window with one photograph open and placed on the default preview area.
struct OpenPhoto {
  nvx::PrintSession session;
  nvx::ImageDocument path;
};

bool Open(OpenPhoto& photo, const std::string& file) {
  if (!nvx::OpenPrintSession(photo.session, "")) return false;
  if (!nvx::LoadImageDocument(photo.session, photo.path, file)) return false;
  if (!nvx::OrientImage(photo.session, photo.path, true)) return false;
  nvx::PlaceOnPage(photo.session, photo.path, nvx::kDefaultPreviewWidthPx,
                   nvx::kDefaultPreviewHeightPx);
  return true;
}

// The slider walks back and forth over a range, so no two neighbouring redraws are alike.
int NextSliderPosition(int position) { return position >= 70 ? 30 : position + 1; }

// What the window shows after a slider move: the page on the substrate with
// the copy drawn where the placement put it.
void PageRedrawAfterSliderMove(benchmark::State& state, OpenPhoto* photo) {
  nvx::PrintSession& s = photo->session;
  nvx::ImageDocument& path = photo->path;
  int brightness = 30;
  for (auto _ : state) {
    brightness = NextSliderPosition(brightness);
    s.live.brightness = brightness;
    nvx::PreviewBitmap page = nvx::RenderPagePreview(s, path, nvx::kWhiteSubstrate);
    benchmark::DoNotOptimize(page.bgrx.data());
  }
  state.counters["width"] = nvx::kDefaultPreviewWidthPx;
  state.counters["height"] = nvx::kDefaultPreviewHeightPx;
}

// The preview picture alone, filling the whole default area: an upper bound
// on the copy's share of the redraw.
void PreviewAfterSliderMove(benchmark::State& state, OpenPhoto* photo) {
  nvx::PrintSession& s = photo->session;
  nvx::ImageDocument& path = photo->path;
  nvx::PreviewOptions options;
  options.width = nvx::kDefaultPreviewWidthPx;
  options.height = nvx::kDefaultPreviewHeightPx;
  options.substrate = nvx::kWhiteSubstrate;
  options.blackFuzzy = nvx::ReadBlackFuzzy(s.files);
  options.foil = nvx::IsFoilMedia(s.live, s.text);
  int brightness = 30;
  for (auto _ : state) {
    brightness = NextSliderPosition(brightness);
    s.live.brightness = brightness;
    const nvx::PreviewBitmap& bitmap = nvx::RenderPreview(path.grid, path.table, s.live, options,
                                                          path.profiles, path.preview, s.text);
    benchmark::DoNotOptimize(bitmap.bgrx.data());
  }
  state.counters["width"] = options.width;
  state.counters["height"] = options.height;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [--benchmark_... flags] [IMAGE]\n", argv[0]);
    return 2;
  }
  const std::string file = argc == 2 ? argv[1] : NVX_BENCH_SAMPLE_IMAGE;

  PrivateSettings settings;
  if (!settings.Ready()) {
    std::fprintf(stderr, "%s: cannot make a temporary settings folder\n", argv[0]);
    return 1;
  }
  OpenPhoto photo;
  if (!Open(photo, file)) {
    std::fprintf(stderr, "%s: cannot open %s\n", argv[0], file.c_str());
    return 1;
  }
  for (auto [name, body] : {std::pair{"PageRedrawAfterSliderMove", &PageRedrawAfterSliderMove},
                            std::pair{"PreviewAfterSliderMove", &PreviewAfterSliderMove}}) {
    benchmark::RegisterBenchmark(name, body, &photo)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
