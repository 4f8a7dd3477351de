// The load of one image file into a working image: the decode in its child
// process and the copy into the working image, then the page fit. Prints the
// time of each run and the median, in milliseconds.
//
//   nvx_bench_image_load IMAGE [RUNS]

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "image/intake.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s IMAGE [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::string pattern = (fs::temp_directory_path() / "nvx-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path folder = pattern;
  const nvx::SettingsFiles settings{folder / "user", folder / "machine"};
  fs::create_directories(settings.userFolder);
  const nvx::TextTable texts = nvx::DefaultTextTable();
  const nvx::UiHooks hooks;
  nvx::LoadOptions options;
  options.printableWidthPt = 571;
  options.printableHeightPt = 817;
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const nvx::Result<nvx::LoadedImage> loaded =
        nvx::LoadImageFile(argv[1], options, settings, texts, hooks);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!loaded) {
      std::fprintf(stderr, "%s\n", loaded.failure().message.c_str());
      return 1;
    }
    times.push_back(ms);
    std::printf("run %d: %.1f ms\n", run + 1, ms);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  std::sort(times.begin(), times.end());
  std::printf("median: %.1f ms\n", times[times.size() / 2]);
  return 0;
}
