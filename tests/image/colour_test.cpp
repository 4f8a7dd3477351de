#include "image/colour.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_folder.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;

const fs::path kGhostscriptCmyk = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

ProfilePair SrgbToGhostscript() { return ProfilePair{{{}, true}, {kGhostscriptCmyk, false}, {}}; }

WorkingImage RgbaImage(int width, int height, const std::vector<std::uint8_t>& rgba) {
  WorkingImage image;
  image.widthPx = width;
  image.heightPx = height;
  image.buffer.assign(rgba.begin(), rgba.end());
  image.buffer.resize(static_cast<std::size_t>(width) * height * 5, 0);
  return image;
}

struct Recorded {
  std::vector<std::string> status;
  UiHooks hooks{{}, [this](std::string_view text) { status.emplace_back(text); }};
};

class Conversion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kGhostscriptCmyk)) GTEST_SKIP() << "libgs-common's CMYK profile is missing";
  }
  TextTable texts = DefaultTextTable();
  Recorded ui;
};

TEST_F(Conversion, WhiteTakesNoInkBlackTakesMuchAlphaStays) {
  WorkingImage image = RgbaImage(3, 1, {255, 255, 255, 255, 0, 0, 0, 77, 255, 0, 0, 0});
  ASSERT_TRUE(ConvertImageColours(image, SrgbToGhostscript(), ui.hooks).ok());
  ASSERT_EQ(image.buffer.size(), 15u);
  const std::uint8_t* white = &image.buffer[0];
  const std::uint8_t* black = &image.buffer[5];
  const std::uint8_t* red = &image.buffer[10];
  EXPECT_LE(white[0] + white[1] + white[2] + white[3], 4);
  EXPECT_GT(black[0] + black[1] + black[2] + black[3], 600);
  EXPECT_GT(red[1], 200);  // magenta
  EXPECT_LT(red[0], 40);   // little cyan
  EXPECT_EQ(white[4], 255);
  EXPECT_EQ(black[4], 77);
  EXPECT_EQ(red[4], 0);  // a removed background keeps alpha 0 and still gets its colour
}

TEST_F(Conversion, SinglePixelImage) {
  WorkingImage image = RgbaImage(1, 1, {0, 0, 0, 255});
  ASSERT_TRUE(ConvertImageColours(image, SrgbToGhostscript(), ui.hooks).ok());
  ASSERT_EQ(image.buffer.size(), 5u);
  EXPECT_GT(image.buffer[3], 100);
  EXPECT_EQ(image.buffer[4], 255);
}

TEST_F(Conversion, ThreadsGiveTheBytesOfOneThread) {
  const int width = 640, height = 700;  // several blocks, so several waves
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  std::mt19937 random(11);
  for (std::uint8_t& byte : rgba) byte = static_cast<std::uint8_t>(random());
  WorkingImage single = RgbaImage(width, height, rgba);
  WorkingImage two = RgbaImage(width, height, rgba);
  WorkingImage three = RgbaImage(width, height, rgba);
  ASSERT_TRUE(ConvertImageColours(single, SrgbToGhostscript(), ui.hooks, 1).ok());
  ASSERT_TRUE(ConvertImageColours(two, SrgbToGhostscript(), ui.hooks, 2).ok());
  ASSERT_TRUE(ConvertImageColours(three, SrgbToGhostscript(), ui.hooks, 3).ok());
  EXPECT_TRUE(single.buffer == two.buffer);
  EXPECT_TRUE(single.buffer == three.buffer);
  for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
    ASSERT_EQ(single.buffer[5 * i + 4], rgba[4 * i + 3]) << "pixel " << i;
  }
}

TEST_F(Conversion, ProfileThatIsNoProfileFailsAndUnloadsTheImage) {
  test::TempFolder folder;
  test::WriteFileBytes(folder / "broken.icc", "this is not an ICC profile");
  WorkingImage image = RgbaImage(2, 2, std::vector<std::uint8_t>(16, 128));
  const ProfilePair pair{{{}, true}, {folder / "broken.icc", false}, {}};
  EXPECT_EQ(ConvertImageColours(image, pair, ui.hooks).failure().kind, Failure::Kind::Failed);
  EXPECT_TRUE(image.buffer.empty());
  // The preview through it draws no colours and says why, for the caller to show.
  PreviewTransformCache cache;
  const std::vector<std::uint8_t> cmykv(5, 0);
  std::vector<std::uint8_t> bgrx(4, 9);
  const Status shown = PreviewToScreen(cache, pair, cmykv, bgrx, texts);
  ASSERT_FALSE(shown.ok());
  EXPECT_EQ(shown.failure().message, "oops! Conversion failure");
  EXPECT_EQ(bgrx, std::vector<std::uint8_t>(4, 0));
}

TEST_F(Conversion, PreviewTransformIsBuiltOncePerPair) {
  PreviewTransformCache cache;
  void* first = cache.Get(SrgbToGhostscript());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(cache.Get(SrgbToGhostscript()), first);
  const std::vector<std::uint8_t> cmykv = {0, 0, 0, 0, 255, 0, 0, 0, 255, 255};
  std::vector<std::uint8_t> bgrx(8, 9);
  ASSERT_TRUE(PreviewToScreen(cache, SrgbToGhostscript(), cmykv, bgrx, texts).ok());
  EXPECT_GT(bgrx[0] + bgrx[1] + bgrx[2], 700);  // paper white
  EXPECT_LT(bgrx[4] + bgrx[5] + bgrx[6], 150);  // full black ink
  EXPECT_EQ(bgrx[3], 0);
  EXPECT_EQ(bgrx[7], 0);
}

class ProfileLookup : public ::testing::Test {
 protected:
  ProfileLookup() {
    fs::create_directories(colour / "vendor" / "deep");
    fs::create_directories(user);
    test::WriteFileBytes(user / "Mine.ICC", "x");
    test::WriteFileBytes(colour / "vendor" / "deep" / "ps_cmyk.icc", "x");
    test::WriteFileBytes(colour / "vendor" / "default_cmyk.icc", "x");
    search = ProfileSearch{{user}, {colour}};
    files.userFolder = user;
    files.machineFolder = folder / "machine";
  }
  test::TempFolder folder;
  fs::path user = folder / "user";
  fs::path colour = folder / "color";
  ProfileSearch search;
  SettingsFiles files;
};

TEST_F(ProfileLookup, BareNamesAreFoundWithoutRegardToCase) {
  EXPECT_EQ(FindProfile("mine.icc", search), user / "Mine.ICC");
  EXPECT_EQ(FindProfile("PS_CMYK.ICC", search), colour / "vendor" / "deep" / "ps_cmyk.icc");
  EXPECT_EQ(FindProfile("absent.icc", search), fs::path("absent.icc"));
  EXPECT_EQ(FindProfile("other/mine.icc", search), fs::path("other/mine.icc"));
}

TEST_F(ProfileLookup, DefaultsFallBackToBuiltInSrgbAndAGenericCmykProfile) {
  const ProfilePair pair = ResolveProfiles(files, search);
  EXPECT_TRUE(pair.in.builtInSrgb);
  EXPECT_EQ(pair.out.path, colour / "vendor" / "default_cmyk.icc");
  // The pair says so; the front end decides where and how often to tell.
  EXPECT_NE(pair.standInNotice.find("OKC711P2.ICM is not installed"), std::string::npos);
  EXPECT_NE(pair.standInNotice.find("default_cmyk.icc"), std::string::npos);
}

TEST_F(ProfileLookup, NamedProfilesAreNeverReplaced) {
  WriteSetting(files, "Active", "ICM Profile In", "mine.icc");
  WriteSetting(files, "Active", "ICM Profile Out", "theirs.icc");
  const ProfilePair pair = ResolveProfiles(files, search);
  EXPECT_EQ(pair.in.path, user / "Mine.ICC");
  EXPECT_FALSE(pair.in.builtInSrgb);
  EXPECT_EQ(pair.out.path, fs::path("theirs.icc"));
  EXPECT_TRUE(pair.standInNotice.empty());
}

}  // namespace
}  // namespace nvx
