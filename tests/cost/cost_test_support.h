#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "cost/cost_estimate.h"
#include "support/temp_folder.h"

namespace nvx::test {

// A print raster drawn for a test: in every row, plane p has its first
// fullColumns[p] pixels at full toner and the rest empty. The default printed
// size is a whole A4 page.
struct TestRaster {
  std::vector<std::uint8_t> bytes;
  CostRaster view;

  TestRaster(int width, int height, std::array<int, 4> fullColumns, double xPoint = 595,
             double yPoint = 842)
      : bytes(static_cast<std::size_t>(width) * height * 5, 0) {
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
      for (std::size_t plane = 0; plane < 4; ++plane) {
        std::uint8_t* planeRow = bytes.data() + (row * 5 + plane) * width;
        std::fill(planeRow, planeRow + fullColumns[plane], 255);
      }
    }
    view = {bytes, width, height, xPoint, yPoint};
  }
};

// Settings files in a fresh temporary folder.
struct CostFolder {
  TempFolder folder;
  SettingsFiles files{folder.path(), folder.path() / "machine"};
};

}  // namespace nvx::test
