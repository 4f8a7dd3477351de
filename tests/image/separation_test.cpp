#include "image/separation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image/identity_table.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::IdentityTable;

OrientedImage Grid(int width, int height, const std::vector<GridPixel>& pixels) {
  OrientedImage grid{width, height, 0, 0, {}};
  grid.pixels.assign(pixels.begin(), pixels.end());
  return grid;
}

GridPixel Opaque(int c, int m, int y) {
  return GridPixel{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(m),
                   static_cast<std::uint8_t>(y), 255, 255};
}

struct Planes {
  int c, m, y, white;
};

// The planes of pixel `column` of a one-row separation in white-last order.
Planes PixelPlanes(const Result<SeparatedPlanes>& result, int width, int column) {
  auto plane = [&](int k) { return static_cast<int>((*result)[k * width + column]); };
  return Planes{plane(0), plane(1), plane(2), plane(3)};
}

TEST(ColourAdjustTable, WhiteLastDefaultsAreNearIdentityEndingAt253) {
  const ColourAdjustTable table =
      BuildColourAdjustTable(DefaultColourAdjustPoints(TonerOrder::WhiteLast));
  for (const auto& row : table.rows) {
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(row[1], 0);
    EXPECT_EQ(row[64], 63);
    EXPECT_EQ(row[128], 128);
    EXPECT_EQ(row[254], 250);
    EXPECT_EQ(row[255], 253);
  }
}

TEST(ColourAdjustTable, LaterSampleOnTheSameEntryWins) {
  const ColourAdjustTable table =
      BuildColourAdjustTable(DefaultColourAdjustPoints(TonerOrder::WhiteFirst));
  EXPECT_EQ(table.rows[0][255], 244);
}

TEST(DensityWhite, RisesWithDensityAndStopsAt251) {
  EXPECT_EQ(DensityWhite(0, true, true), 6);
  EXPECT_EQ(DensityWhite(1, true, true), 8);  // 8.5 to even
  EXPECT_EQ(DensityWhite(3, true, true), 14);
  EXPECT_EQ(DensityWhite(40, true, true), 106);
  EXPECT_EQ(DensityWhite(98, true, true), 251);
  EXPECT_EQ(DensityWhite(100, true, true), 251);
  EXPECT_EQ(DensityWhite(100, false, true), 0);
  EXPECT_EQ(DensityWhite(100, true, false), 0);
}

class SeparationRules : public ::testing::Test {
 protected:
  SeparationRules() {
    live.brightness = 55;  // +10 %: brightness offset 0, so inks are 98 % of the input
    live.whiteMaskPercent = 40;
  }
  Result<SeparatedPlanes> Separate(OrientedImage& grid) {
    return SeparateImage(grid, table, live, options, UiHooks{}, 1);
  }

  ColourAdjustTable table = IdentityTable();
  LiveSettings live;
  SeparationOptions options;
};

TEST_F(SeparationRules, AlphaAbove180Prints) {
  OrientedImage grid = Grid(2, 1, {GridPixel{50, 0, 0, 180, 180}, GridPixel{50, 0, 0, 181, 181}});
  const Result<SeparatedPlanes> result = Separate(grid);
  const Planes transparent = PixelPlanes(result, 2, 0), opaque = PixelPlanes(result, 2, 1);
  EXPECT_EQ(transparent.c + transparent.white, 0);
  EXPECT_EQ(opaque.c, 49);
  EXPECT_EQ(grid.pixels[0].alpha, 0);
  EXPECT_EQ(grid.pixels[1].alpha, 255);
}

TEST_F(SeparationRules, PureWhiteGetsTheDensityWhiteAndNoColour) {
  OrientedImage grid = Grid(1, 1, {Opaque(0, 0, 0)});
  const Planes px = PixelPlanes(Separate(grid), 1, 0);
  EXPECT_EQ(px.c + px.m + px.y, 0);
  EXPECT_EQ(px.white, 106);
}

TEST_F(SeparationRules, ThresholdAddsWhiteUnderLightInkOnly) {
  live.tonerPercent = 50;  // T = 150
  // 98 % of 102 is 100, of 154 is 151.
  OrientedImage grid = Grid(2, 1, {Opaque(102, 20, 0), Opaque(154, 20, 0)});
  const Result<SeparatedPlanes> result = Separate(grid);
  EXPECT_EQ(PixelPlanes(result, 2, 0).white, 50);
  EXPECT_EQ(PixelPlanes(result, 2, 1).white, 0);
}

TEST_F(SeparationRules, BlackRemovalTakesOnlyInkWithinTheFuzz) {
  live.brightness = 54;  // offset -1: full ink 255 becomes 251, 254 becomes 250
  live.blackRemoval = true;
  options.blackFuzzy = 5;
  OrientedImage grid = Grid(2, 1, {Opaque(255, 255, 255), Opaque(255, 255, 254)});
  const Result<SeparatedPlanes> result = Separate(grid);
  const Planes removed = PixelPlanes(result, 2, 0), kept = PixelPlanes(result, 2, 1);
  EXPECT_EQ(removed.c + removed.m + removed.y + removed.white, 0);
  EXPECT_EQ(grid.pixels[0].alpha, 0);
  EXPECT_EQ(kept.c, 251);
  EXPECT_EQ(kept.y, 250);
  EXPECT_EQ(grid.pixels[1].alpha, 255);
}

TEST_F(SeparationRules, PrintCmyOffLeavesOnlyWhite) {
  live.printCmy = false;
  live.thresholdOn = false;
  OrientedImage grid = Grid(2, 1, {Opaque(200, 100, 50), Opaque(0, 0, 0)});
  const Result<SeparatedPlanes> result = Separate(grid);
  for (int column = 0; column < 2; ++column) {
    const Planes px = PixelPlanes(result, 2, column);
    EXPECT_EQ(px.c + px.m + px.y, 0);
    EXPECT_EQ(px.white, 106);
  }
}

TEST_F(SeparationRules, FoilPrintsAFlatSilhouetteWithoutWhite) {
  options.foil = true;
  live.blackRemoval = true;
  options.blackFuzzy = 50;
  OrientedImage grid =
      Grid(3, 1, {Opaque(255, 255, 255), Opaque(0, 0, 0), GridPixel{90, 90, 90, 100, 100}});
  const Result<SeparatedPlanes> result = Separate(grid);
  for (int column = 0; column < 2; ++column) {
    const Planes px = PixelPlanes(result, 3, column);
    EXPECT_EQ(px.c, 224);
    EXPECT_EQ(px.m, 224);
    EXPECT_EQ(px.y, 224);
    EXPECT_EQ(px.white, 0);
  }
  const Planes transparent = PixelPlanes(result, 3, 2);
  EXPECT_EQ(transparent.c + transparent.white, 0);
}

TEST_F(SeparationRules, WhiteFirstPutsWhiteInTheFirstStationAndCyanInTheFourth) {
  live.tonerOrder = TonerOrder::WhiteFirst;
  OrientedImage grid = Grid(1, 1, {Opaque(102, 51, 0)});
  const Result<SeparatedPlanes> result = Separate(grid);
  ASSERT_EQ((*result).size(), 5u);
  EXPECT_EQ((*result)[0], 50);   // white: T 150 - 100
  EXPECT_EQ((*result)[1], 50);   // magenta
  EXPECT_EQ((*result)[2], 0);    // yellow
  EXPECT_EQ((*result)[3], 100);  // cyan
  EXPECT_EQ((*result)[4], 0);
}

TEST_F(SeparationRules, PatternMaskCutsEveryPlaneAndAMisfitMaskIsIgnored) {
  OrientedImage grid = Grid(2, 1, {Opaque(102, 0, 0), Opaque(102, 0, 0)});
  options.patternMask = [] { return std::vector<std::uint8_t>{0, 1}; };
  const Result<SeparatedPlanes> cut = Separate(grid);
  EXPECT_EQ(PixelPlanes(cut, 2, 0).c, 100);
  EXPECT_EQ(PixelPlanes(cut, 2, 1).c + PixelPlanes(cut, 2, 1).white, 0);
  options.patternMask = [] { return std::vector<std::uint8_t>{1}; };
  EXPECT_EQ(PixelPlanes(Separate(grid), 2, 1).c, 100);
}

TEST_F(SeparationRules, SecondPrintFollowsTheNewSettings) {
  live.blackRemoval = true;
  options.blackFuzzy = 50;
  OrientedImage grid = Grid(1, 1, {Opaque(255, 255, 255)});
  EXPECT_EQ(PixelPlanes(Separate(grid), 1, 0).c, 0);
  live.blackRemoval = false;
  EXPECT_GT(PixelPlanes(Separate(grid), 1, 0).c, 240);
  EXPECT_EQ(grid.pixels[0].alpha, 255);
}

TEST(SeparateImage, ThreadsGiveTheBytesOfOneThread) {
  const int width = 301, height = 257;
  std::mt19937 random(7);
  std::vector<GridPixel> pixels(width * height);
  for (GridPixel& px : pixels) {
    px = GridPixel{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                   static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()), 0};
    px.alpha = px.loadedAlpha;
  }
  LiveSettings live;
  live.blackRemoval = true;
  live.contrast = 70;
  const SeparationOptions options{false, 20, {}};
  const ColourAdjustTable table = IdentityTable();
  OrientedImage single = Grid(width, height, pixels), many = Grid(width, height, pixels);
  const Result<SeparatedPlanes> one = SeparateImage(single, table, live, options, UiHooks{}, 1);
  const Result<SeparatedPlanes> four = SeparateImage(many, table, live, options, UiHooks{}, 4);
  EXPECT_EQ((*one), (*four));
  for (std::size_t i = 0; i < pixels.size(); ++i)
    ASSERT_EQ(single.pixels[i].alpha, many.pixels[i].alpha);
}

}  // namespace
}  // namespace nvx

namespace nvx {
namespace {

TEST(BlackFuzzy, MissingSettingMeansTheDialogsFirstValue) {
  test::TempFolder folder;
  SettingsFiles files{folder.path(), folder / "machine", nullptr};
  EXPECT_EQ(ReadBlackFuzzy(files), 5);
  WriteSetting(files, "Active", "BLACK Removal Fuzzy", "12");
  EXPECT_EQ(ReadBlackFuzzy(files), 12);
}

}  // namespace
}  // namespace nvx
