#include <gtest/gtest.h>

#include "image/grid_scale.h"
#include "image/separation.h"
#include "support/named_case.h"

namespace nvx {
namespace {

// A converted 3 x 2 image whose pixels carry their number 1..6 in cyan.
WorkingImage NumberedImage() {
  WorkingImage image;
  image.widthPx = 3;
  image.heightPx = 2;
  image.imageWidthPt = 30;
  image.imageHeightPt = 20;
  image.zoomFactor = 0.5f;
  for (int n = 1; n <= 6; ++n) {
    image.buffer.insert(image.buffer.end(), {static_cast<std::uint8_t>(n), 0, 0, 0, 255});
  }
  return image;
}

struct OrientationCase {
  const char* name;
  bool mirror, flip, rotate;
  int width, height;
  std::vector<int> numbers;  // rows top first
};

// Test names show the case, not its bytes.
using test::PrintTo;

class Orientation : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(Orientation, PutsEverySourcePixelWhereThePrintWantsIt) {
  const OrientationCase& test = GetParam();
  LiveSettings live;
  live.mirrorOn = test.mirror;
  live.flip = test.flip;
  live.rotate = test.rotate;
  // Either kept or let go as the grid takes it (a print's image is never turned again).
  for (bool keep : {true, false}) {
    OrientedImage grid;
    WorkingImage image = NumberedImage();
    ASSERT_TRUE((keep ? PrepareGrid(image, live, 1000, 1000, grid, UiHooks{})
                      : PrepareGridReleasing(image, live, 1000, 1000, grid, UiHooks{}))
                    .ok());
    ASSERT_EQ(grid.workWidthPx, test.width);
    ASSERT_EQ(grid.workHeightPx, test.height);
    std::vector<int> numbers;
    for (const GridPixel& px : grid.pixels) numbers.push_back(px.c);
    EXPECT_EQ(numbers, test.numbers) << (keep ? "kept" : "let go");
    EXPECT_EQ(image.buffer.empty(), !keep);
  }
}

INSTANTIATE_TEST_SUITE_P(
    MirrorFlipRotate, Orientation,
    ::testing::Values(
        OrientationCase{"AsLoaded", false, false, false, 3, 2, {1, 2, 3, 4, 5, 6}},
        OrientationCase{"Mirrored", true, false, false, 3, 2, {3, 2, 1, 6, 5, 4}},
        OrientationCase{
            "FlipAloneMirrorsTheFlippedLoad", false, true, false, 3, 2, {3, 2, 1, 6, 5, 4}},
        OrientationCase{"MirrorAndFlipCancel", true, true, false, 3, 2, {1, 2, 3, 4, 5, 6}},
        OrientationCase{"TurnedCounterClockwise", false, false, true, 2, 3, {3, 6, 2, 5, 1, 4}},
        OrientationCase{
            "MirroredAndTurnedIsTransposed", true, false, true, 2, 3, {1, 4, 2, 5, 3, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrepareGrid, TurnsThePrintSizeWithoutZoomingAgain) {
  LiveSettings live;
  live.rotate = true;
  OrientedImage grid;
  const Result<PreparedGrid> result = PrepareGrid(NumberedImage(), live, 25, 100, grid, UiHooks{});
  EXPECT_FLOAT_EQ(grid.printWidthPt, 20);
  EXPECT_FLOAT_EQ(grid.printHeightPt, 30);
  ASSERT_TRUE(result.ok());
  EXPECT_FALSE(result->exceedsPrintable);
  EXPECT_TRUE(PrepareGrid(NumberedImage(), live, 19, 100, grid, UiHooks{})->exceedsPrintable);
}

TEST(PrepareGrid, FoldsBlackIntoTheColours) {
  WorkingImage image;
  image.widthPx = 2;
  image.heightPx = 1;
  image.buffer = {0, 0, 0, 128, 200, 100, 0, 255, 51, 7};
  OrientedImage grid;
  ASSERT_TRUE(PrepareGrid(image, LiveSettings{}, 1000, 1000, grid, UiHooks{}).ok());
  const GridPixel grey = grid.pixels[0], mixed = grid.pixels[1];
  EXPECT_EQ(grey.c, 128);
  EXPECT_EQ(grey.m, 128);
  EXPECT_EQ(grey.y, 128);
  EXPECT_EQ(grey.loadedAlpha, 200);
  EXPECT_EQ(mixed.c, 131);  // 51 + 204 x 100 / 255
  EXPECT_EQ(mixed.m, 51);
  EXPECT_EQ(mixed.y, 255);
  EXPECT_EQ(mixed.alpha, 7);
}

}  // namespace
}  // namespace nvx

namespace nvx {
namespace {

// Half an opaque colour, half transparent over black: shrunk or grown, the
// design keeps its colour right up to its edge, and its coverage is kept.
TEST(ScaleGrid, KeepsTheDesignsColourAtItsEdgesAndItsCoverage) {
  OrientedImage grid;
  grid.workWidthPx = 12;
  grid.workHeightPx = 6;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool design = x < 6;
      grid.pixels.push_back(design ? GridPixel{40, 120, 200, 255, 255}
                                   : GridPixel{255, 255, 255, 0, 0});
    }
  }
  for (auto [w, h] : {std::pair{4, 2}, std::pair{30, 15}, std::pair{5, 3}}) {
    const OrientedImage scaled = ScaleGrid(grid, w, h);
    ASSERT_EQ(scaled.pixels.size(), static_cast<std::size_t>(w) * h);
    double coverage = 0;
    for (const GridPixel& p : scaled.pixels) {
      coverage += p.loadedAlpha;
      if (p.loadedAlpha > 0) {
        EXPECT_EQ(p.c, 40) << w;
        EXPECT_EQ(p.m, 120) << w;
        EXPECT_EQ(p.y, 200) << w;
      }
    }
    EXPECT_NEAR(coverage / (255.0 * w * h), 0.5, 0.02) << w;
  }
}

}  // namespace
}  // namespace nvx
