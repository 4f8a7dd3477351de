#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "image/background.h"
#include "image/crop.h"
#include "image/page_fit.h"
#include "support/named_case.h"

namespace nvx {
namespace {

// A4 less the standard margins.
constexpr float kPrintableW = 571.08f;
constexpr float kPrintableH = 816.89f;

WorkingImage AtSeventyTwoDpi(int widthPx, int heightPx) {
  WorkingImage image;
  image.widthPx = widthPx;
  image.heightPx = heightPx;
  image.dpiX = 72;
  image.dpiY = 72;
  return image;
}

struct FitCase {
  const char* name;
  int widthPt;
  int heightPt;
  bool rotate;
  float fittedW;
  float fittedH;
};

// Test names show the case, not its bytes.
using test::PrintTo;

class FitToPageTest : public testing::TestWithParam<FitCase> {};

TEST_P(FitToPageTest, TurnsAndScalesOnce) {
  const FitCase& c = GetParam();
  WorkingImage image = AtSeventyTwoDpi(c.widthPt, c.heightPt);
  EXPECT_EQ(FitToPage(image, kPrintableW, kPrintableH), c.rotate);
  EXPECT_NEAR(image.imageWidthPt, c.fittedW, 0.05);
  EXPECT_NEAR(image.imageHeightPt, c.fittedH, 0.05);
  const float scale = c.fittedW / c.widthPt;
  EXPECT_NEAR(image.zoomFactor, scale, 1e-4);
  EXPECT_NEAR(image.dpiX, 72 / scale, 0.01);
  EXPECT_NEAR(image.dpiY, 72 / scale, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Images, FitToPageTest,
    testing::Values(FitCase{"FitsAsItIs", 400, 600, false, 400, 600},
                    FitCase{"TooTallOnly", 500, 1000, false, 408.5f, 817},
                    FitCase{"FitsWhenTurnedIsOnlyTurned", 700, 500, true, 700, 500},
                    FitCase{"WideTooWideIsTurnedAndScaled", 900, 600, true, 817, 544.67f},
                    FitCase{"TallTooWideIsScaledToTheWidth", 575, 811, false, 571, 805.37f},
                    FitCase{"TallTooLargeBothWaysTakesTheSmallerRatio", 1000, 1500, false, 544.59f,
                            816.89f},
                    FitCase{"SquareTooLargeBothWaysIsTurned", 1000, 1000, true, 817, 817}),
    [](const auto& info) { return info.param.name; });

TEST(ZoomText, OneDecimalAndPercent) {
  EXPECT_EQ(FormatZoomText(1), "100.0%");
  EXPECT_EQ(FormatZoomText(0.81665f), "81.7%");
  EXPECT_EQ(FormatZoomText(0.5446f), "54.5%");
}

TEST(FitToPrintable, SecondPressGoesBackToTheLoadSize) {
  WorkingImage image;
  image.imageWidthPt = 200;
  image.imageHeightPt = 300;
  PrintSize fitted = FitToPrintable({200, 300}, image, kPrintableW, kPrintableH, false);
  EXPECT_NEAR(fitted.widthPt, 544.59, 0.05);
  EXPECT_NEAR(fitted.heightPt, kPrintableH, 0.01);
  PrintSize back = FitToPrintable(fitted, image, kPrintableW, kPrintableH, false);
  EXPECT_EQ(back.widthPt, 200);
  EXPECT_EQ(back.heightPt, 300);

  // Turned, the width fills first, and the load size comes back turned.
  PrintSize turned = FitToPrintable({300, 200}, image, kPrintableW, kPrintableH, true);
  EXPECT_NEAR(turned.widthPt, kPrintableW, 0.01);
  EXPECT_NEAR(turned.heightPt, 380.72, 0.05);
  PrintSize turnedBack = FitToPrintable(turned, image, kPrintableW, kPrintableH, true);
  EXPECT_EQ(turnedBack.widthPt, 300);
  EXPECT_EQ(turnedBack.heightPt, 200);
}

struct BackgroundCase {
  const char* name;
  int formatClass;
  bool removal;
  std::array<int, 3> reference;
  std::array<int, 3> pixel;
  int alpha;  // the pixel's alpha afterwards; it starts at 200
};

// Test names show the case, not its bytes.

class BackgroundTest : public testing::TestWithParam<BackgroundCase> {};

TEST_P(BackgroundTest, MakesTheBackgroundColourTransparent) {
  const BackgroundCase& c = GetParam();
  WorkingImage image;
  image.widthPx = 2;
  image.heightPx = 1;
  image.formatClass = c.formatClass;
  image.buffer.assign(2 * 5, 0);
  for (int i = 0; i < 3; ++i) {
    image.buffer[i] = static_cast<std::uint8_t>(c.reference[i]);
    image.buffer[4 + i] = static_cast<std::uint8_t>(c.pixel[i]);
  }
  image.buffer[3] = 255;
  image.buffer[7] = 200;
  RemoveBackground(image, c.removal, 5, {});
  EXPECT_EQ(image.buffer[7], c.alpha);
  EXPECT_EQ(image.buffer[3], c.removal ? 0 : 255);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, BackgroundTest,
    testing::Values(
        BackgroundCase{"PngExactColour", 1, true, {10, 20, 30}, {10, 20, 30}, 0},
        BackgroundCase{"PngOneStepAway", 1, true, {10, 20, 30}, {10, 21, 30}, 200},
        BackgroundCase{"JpegWithinFour", 2, true, {100, 100, 100}, {104, 96, 103}, 0},
        BackgroundCase{"JpegFiveAway", 2, true, {100, 100, 100}, {104, 95, 100}, 200},
        BackgroundCase{"JpegCentreClampedUp", 2, true, {2, 100, 100}, {9, 100, 100}, 0},
        BackgroundCase{"JpegCentreClampedDown", 2, true, {253, 100, 100}, {247, 100, 100}, 0},
        BackgroundCase{"JpegBelowClampedWindow", 2, true, {253, 100, 100}, {246, 100, 100}, 200},
        BackgroundCase{"UnknownKindUsesTolerance", 0, true, {50, 50, 50}, {53, 47, 50}, 0},
        BackgroundCase{"OffForcesOpaque", 2, false, {10, 20, 30}, {10, 20, 30}, 255}),
    [](const auto& info) { return info.param.name; });

// A PNG's transparent background is often stored as (0, 0, 0, 0): matching its
// colour would make a black logo on it vanish. The file's transparency stands.
TEST(BackgroundRemoval, TransparentFirstPixelKeepsOpaquePixelsOfItsColour) {
  WorkingImage image;
  image.widthPx = 2;
  image.heightPx = 1;
  image.formatClass = 1;
  image.buffer = {0, 0, 0, 0, 0, 0, 0, 255, 0, 0};
  RemoveBackground(image, true, 5, {});
  EXPECT_EQ(image.buffer[3], 0);
  EXPECT_EQ(image.buffer[7], 255);
}

// 100 x 100 converted pixels at 100 pixels per inch.
WorkingImage BlankCmyka() {
  WorkingImage image;
  image.widthPx = 100;
  image.heightPx = 100;
  image.imageWidthPt = 72;
  image.imageHeightPt = 72;
  image.buffer.assign(100 * 100 * 5, 0);
  return image;
}

void Paint(WorkingImage& image, int left, int top, int right, int bottom, int channel, int value) {
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      image.buffer[(row * image.widthPx + column) * 5 + channel] = static_cast<std::uint8_t>(value);
    }
  }
}

TEST(CropToContent, KeepsTheContentWithATwoPixelBorder) {
  WorkingImage image = BlankCmyka();
  Paint(image, 10, 30, 19, 39, 0, 255);
  ASSERT_TRUE(CropToContent(image, {}));
  EXPECT_EQ(image.widthPx, 14);
  EXPECT_EQ(image.heightPx, 14);
  ASSERT_EQ(image.buffer.size(), 14u * 14 * 5);
  EXPECT_EQ(image.buffer[(2 * 14 + 2) * 5], 255);    // old (10, 30)
  EXPECT_EQ(image.buffer[(2 * 14 + 1) * 5], 0);      // old (9, 30)
  EXPECT_EQ(image.buffer[(11 * 14 + 11) * 5], 255);  // old (19, 39)
  EXPECT_NEAR(image.imageWidthPt, 10.08, 1e-3);
  EXPECT_NEAR(image.imageHeightPt, 10.08, 1e-3);
}

TEST(CropToContent, TransparentImagesCountAlphaNotInk) {
  WorkingImage image = BlankCmyka();
  image.hasTransparency = true;
  Paint(image, 0, 0, 99, 99, 0, 255);  // ink everywhere, opaque only in the middle
  Paint(image, 40, 50, 49, 59, 4, 255);
  ASSERT_TRUE(CropToContent(image, {}));
  EXPECT_EQ(image.widthPx, 14);
  EXPECT_EQ(image.heightPx, 14);
}

TEST(CropToContent, ChangesNothingWithoutContentOrWhenAFullSpanIsContent) {
  WorkingImage empty = BlankCmyka();
  EXPECT_FALSE(CropToContent(empty, {}));
  EXPECT_EQ(empty.widthPx, 100);

  WorkingImage band = BlankCmyka();
  Paint(band, 1, 40, 98, 45, 3, 9);  // narrower only after the border is added back: no
  EXPECT_FALSE(CropToContent(band, {}));
  EXPECT_EQ(band.buffer.size(), 100u * 100 * 5);
}

}  // namespace
}  // namespace nvx
