#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "postscript/job_writer.h"
#include "support/temp_folder.h"

namespace nvx::test {

// Lines joined as the job writes them, each ended by CR LF.
inline std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) out.append(line).append("\r\n");
  return out;
}

// A settings folder, the default texts and hooks that record what the writer reports.
struct JobBench {
  TempFolder folder;
  SettingsFiles files{folder.path(), folder.path() / "machine"};
  TextTable text = DefaultTextTable();
  std::vector<int> progress;
  std::vector<std::string> status;
  UiHooks hooks{[this](int p) { progress.push_back(p); },
                [this](std::string_view s) { status.emplace_back(s); }};
  JobEnvironment env{files, text, hooks, "C711WT", 0, "12-07-2026 09:05:03"};
  LiveSettings live;

  JobBench() { live.paperName = "A4"; }
};

// A raster whose plane p of pixel (x, y) holds a value that differs by plane,
// column and row, so that misplaced bytes show.
inline TiledImage PatternImage(int cols, int rows) {
  TiledImage image;
  image.xPixel = cols;
  image.yPixel = rows;
  image.xPoint = static_cast<float>(cols);
  image.yPoint = static_cast<float>(rows);
  image.data.resize(static_cast<std::size_t>(cols) * rows * 5);
  std::size_t at = 0;
  for (int y = 0; y < rows; ++y) {
    for (int plane = 0; plane < 5; ++plane) {
      for (int x = 0; x < cols; ++x)
        image.data[at++] = static_cast<std::uint8_t>(1 + plane * 50 + (x * 7 + y * 3) % 47);
    }
  }
  return image;
}

inline std::string Bytes(const PrintJob& job) {
  std::vector<std::uint8_t> bytes = SpoolBytes(job);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace nvx::test
