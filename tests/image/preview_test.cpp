#include "image/preview.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/identity_table.h"

namespace nvx {
namespace {

using test::IdentityTable;

// Two pixels: heavy opaque ink, then a transparent one.
OrientedImage TwoPixels() {
  return OrientedImage{2, 1, 0, 0, {GridPixel{250, 240, 230, 255, 255}, GridPixel{90, 0, 0, 0, 0}}};
}

PreviewOptions Size(int width, int height) {
  PreviewOptions options;
  options.width = width;
  options.height = height;
  return options;
}

std::vector<std::uint8_t> PreviewOf(const OrientedImage& grid, const LiveSettings& live,
                                    const PreviewOptions& options) {
  std::vector<std::uint8_t> pixels;
  PreviewPixels(grid, IdentityTable(), live, options, pixels);
  return pixels;
}

std::vector<int> Pixel(const std::vector<std::uint8_t>& pixels, int index) {
  return {pixels.begin() + 5 * index, pixels.begin() + 5 * index + 5};
}

TEST(PreviewPixels, FoilShowsAFlatSilhouette) {
  PreviewOptions options = Size(2, 1);
  options.foil = true;
  const auto pixels = PreviewOf(TwoPixels(), LiveSettings{}, options);
  EXPECT_EQ(Pixel(pixels, 0), (std::vector<int>{224, 224, 224, 0, 255}));
  EXPECT_EQ(Pixel(pixels, 1), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST(PreviewPixels, PrintCmyOffShowsHeavyInkAsLightGrey) {
  LiveSettings live;
  live.printCmy = false;
  const auto pixels = PreviewOf(TwoPixels(), live, Size(2, 1));
  EXPECT_EQ(Pixel(pixels, 0), (std::vector<int>{30, 30, 30, 0, 255}));
  EXPECT_EQ(Pixel(pixels, 1), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST(PreviewPixels, DisplayWhiteOffShowsNoWhite) {
  LiveSettings shown;
  shown.displayWhite = true;
  shown.thresholdOn = false;
  LiveSettings hidden = shown;
  hidden.displayWhite = false;
  const OrientedImage grid{1, 1, 0, 0, {GridPixel{100, 100, 100, 255, 255}}};
  const auto withWhite = PreviewOf(grid, shown, Size(1, 1));
  const auto without = PreviewOf(grid, hidden, Size(1, 1));
  EXPECT_LT(withWhite[0], without[0]);
}

// An opaque pixel without colour receives toner only when white is printed;
// without white the print lays nothing there and the substrate must show.
TEST(PreviewPixels, OpaquePixelWithoutTonerShowsTheSubstrate) {
  const OrientedImage blank{1, 1, 0, 0, {GridPixel{0, 0, 0, 255, 255}}};
  LiveSettings live;
  live.printWhite = false;
  EXPECT_EQ(Pixel(PreviewOf(blank, live, Size(1, 1)), 0)[4], 0);
  live.printWhite = true;
  EXPECT_EQ(Pixel(PreviewOf(blank, live, Size(1, 1)), 0)[4], 255);
}

TEST(RenderPreview, TransparentPixelsShowTheSubstrate) {
  const std::filesystem::path cmyk = "/usr/share/color/icc/ghostscript/default_cmyk.icc";
  if (!std::filesystem::exists(cmyk)) GTEST_SKIP() << "libgs-common's CMYK profile is missing";
  PreviewOptions options = Size(2, 1);
  options.substrate = 14;  // red 237, 28, 36
  options.foil = true;
  PreviewState state;
  const PreviewBitmap& bitmap =
      RenderPreview(TwoPixels(), IdentityTable(), LiveSettings{}, options,
                    ProfilePair{{{}, true}, {cmyk, false}, {}}, state, DefaultTextTable());
  ASSERT_EQ(bitmap.bgrx.size(), 8u);
  EXPECT_LT(bitmap.bgrx[0] + bitmap.bgrx[1] + bitmap.bgrx[2], 300);  // dark silhouette
  EXPECT_EQ(std::vector<int>(bitmap.bgrx.begin() + 4, bitmap.bgrx.end()),
            (std::vector<int>{36, 28, 237, 0}));
}

TEST(SubstrateCanvas, SeventeenIsACheckerboard) {
  const PreviewBitmap canvas = SubstrateCanvas(17, 20, 1);
  EXPECT_NE(canvas.bgrx[0], canvas.bgrx[4 * 10]);
  EXPECT_EQ(SubstrateCanvas(1, 1, 1).bgrx, (std::vector<std::uint8_t>{85, 32, 166, 0}));
}

}  // namespace
}  // namespace nvx
