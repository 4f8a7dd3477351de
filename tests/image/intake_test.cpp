#include "image/intake.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <vector>

#include "image/devil_errors.h"
#include "load_fixture.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

using test::kImages;
using test::LoadTest;

TEST_F(LoadTest, LoadsRgbaTopRowFirstWithSpareBytesAndLeavesCropMode) {
  WriteSetting(settings_, keys::kActive, kCropKey, "1");
  LoadResult result = Load("\"" + (kImages / "corner.png").string() + "\"");
  ASSERT_TRUE(result.Loaded()) << result.message;
  const WorkingImage& image = result.image;
  EXPECT_EQ(image.widthPx, 4);
  EXPECT_EQ(image.heightPx, 3);
  ASSERT_EQ(image.buffer.size(), 4u * 3 * 5);
  EXPECT_EQ(std::vector<int>(image.buffer.begin(), image.buffer.begin() + 4),
            (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(image.buffer[4 * 11 + 2], 255);  // blue at the bottom right
  EXPECT_TRUE(std::all_of(image.buffer.begin() + 48, image.buffer.end(),
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_NEAR(image.dpiX, 149.987, 0.01);
  EXPECT_EQ(ReadSetting(settings_, keys::kActive, kCropKey), "0");
  EXPECT_EQ(result.zoomText, "100.0%");
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(LoadTest, FlipLoadsTheBottomRowFirst) {
  LoadResult result = Load(kImages / "corner.png", {.flip = true});
  ASSERT_TRUE(result.Loaded());
  // The bottom row comes first; its right-most pixel is blue.
  EXPECT_EQ(result.image.buffer[4 * 3 + 0], 0);
  EXPECT_EQ(result.image.buffer[4 * 3 + 2], 255);
  EXPECT_EQ(result.image.buffer[4 * 8 + 0], 255);  // red top left, now in the last row
}

TEST_F(LoadTest, TransparencyIsFoundAndPrintsWhenRemovalIsOff) {
  LoadResult result = Load(kImages / "transparent.png");
  ASSERT_TRUE(result.Loaded());
  EXPECT_TRUE(result.image.hasTransparency);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(result.image.buffer[4 * i + 3], 255) << i;
}

TEST_F(LoadTest, JpegOfAnyNameIsAJpegWithItsResolutionAndTolerance) {
  WriteSetting(settings_, keys::kActive, keys::kJpegArtifact, "5");
  auto path = folder_ / "photo.png";
  std::filesystem::copy_file(kImages / "jfif200.jpg", path);
  LoadResult result = Load(path, {.backgroundRemoval = true});
  ASSERT_TRUE(result.Loaded()) << result.message;
  EXPECT_EQ(result.image.formatClass, 2);
  EXPECT_EQ(result.image.dpiX, 200);
  // A flat red JPEG is all background within the tolerance.
  EXPECT_EQ(result.image.buffer[4 * 47 + 3], 0);
}

constexpr const char* kNotAnImage =
    "The image file could not be read. This file is not an image nvxprint knows; nvxprint reads "
    "PNG, JPEG, GIF, TIFF, BMP, PSD, WebP and HEIC images.";

struct BadFile {
  const char* name;
  const char* file;
  const char* text;
};

// Test names show the case, not its bytes.
void PrintTo(const BadFile& c, std::ostream* os) { *os << c.name; }

class BadFileTest : public LoadTest, public testing::WithParamInterface<BadFile> {};

// The reason comes back for the caller to show; the load shows nothing itself,
// so the user sees it once.
TEST_P(BadFileTest, ReturnsTheReasonAndLoadsNothing) {
  LoadResult result = Load(kImages / GetParam().file);
  EXPECT_EQ(result.status, LoadStatus::Failed);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(result.message, GetParam().text);
  EXPECT_TRUE(result.image.buffer.empty());
  EXPECT_TRUE(TempFolderIsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    testing::Values(BadFile{"TruncatedPng", "truncated.png", "LIB PNG ERROR"},
                    BadFile{"TruncatedJpeg", "truncated.jpg", "LIB JPEG ERROR"},
                    BadFile{"TruncatedGif", "truncated.gif", "LIB GIF ERROR"},
                    BadFile{"TruncatedBmp", "truncated.bmp", "FILE READ ERROR "},
                    BadFile{"TruncatedTiff", "truncated.tif", "UNABLE TO OPEN FILE"},
                    BadFile{"TruncatedPsd", "truncated.psd", "FILE READ ERROR "},
                    BadFile{"TextNamedPng", "corrupt.png", kNotAnImage},
                    BadFile{"UnknownFormat", "unknown.xyz", kNotAnImage},
                    BadFile{"Missing", "missing.png", "UNABLE TO OPEN FILE"},
                    BadFile{"SinglePixel", "onepixel.png", kTooSmallImageText.data()}),
    [](const auto& info) { return info.param.name; });

TEST(ImageBuffer, SizesBeyondMemoryGiveNothingInsteadOfWrapping) {
  constexpr long long kMaxInt = std::numeric_limits<int>::max();
  EXPECT_FALSE(AllocateImageBuffer(kMaxInt, kMaxInt));
  EXPECT_FALSE(AllocateImageBuffer(kMaxInt, 1ll << 30));
  EXPECT_FALSE(AllocateImageBuffer(0, 10));
  auto small = AllocateImageBuffer(3, 2);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->size(), 30u);
}

TEST(DevilErrors, TextsOfTheTableAndHexForOthers) {
  EXPECT_EQ(DevilErrorTextOf(0), "");
  EXPECT_EQ(DevilErrorTextOf(0x0509), "INVALID PARAMATER");
  EXPECT_EQ(DevilErrorTextOf(0x050E), "STACK OVERFLOW ");
  EXPECT_EQ(DevilErrorTextOf(0x05FF), "UNKNOWN ERROR");
  EXPECT_EQ(DevilErrorTextOf(0x05AB), "Error 5AB");
}

}  // namespace
}  // namespace nvx
