#include "pattern/pattern_settings.h"

#include <gtest/gtest.h>

#include "settings/settings_keys.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

struct EntryCase {
  double entered;
  double size;
  double gap;
};
class PatternEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(PatternEntryTest, SizesAndGapsKeepToTheDialogsRanges) {
  EXPECT_EQ(EnteredShapeSize(GetParam().entered), GetParam().size);
  EXPECT_EQ(EnteredShapeGap(GetParam().entered), GetParam().gap);
}

INSTANTIATE_TEST_SUITE_P(Millimetres, PatternEntryTest,
                         ::testing::Values(EntryCase{12, 4, 1}, EntryCase{1.5, 2, 1.5},
                                           EntryCase{6, 6, 1}, EntryCase{1, 2, 1},
                                           EntryCase{0, 2, 1}, EntryCase{5, 5, 5},
                                           EntryCase{10, 10, 1}, EntryCase{-2, 2, 1}));

class PatternSetupTest : public ::testing::Test {
 protected:
  std::string Read(std::string_view key) const {
    return ReadSetting(files_, keys::kPatternSetup, key);
  }
  void Write(std::string_view key, std::string_view value) {
    WriteSetting(files_, keys::kPatternSetup, key, value);
  }
  test::TempFolder folder_;
  SettingsFiles files_{folder_.path(), folder_.path()};
};

TEST_F(PatternSetupTest, OpeningWritesTheDefaultsOfEmptySettings) {
  OpenPatternSetup(files_, PatternShapeList({"Star"}));
  EXPECT_EQ(Read("Shape"), "Ellipse");
  EXPECT_EQ(Read("SizeX"), "2");
  EXPECT_EQ(Read("SizeY"), "2");
  EXPECT_EQ(Read("Gap"), "1");
  EXPECT_EQ(Read("Screen"), "45");
  // Written as a number with its sign blank, as the check box's state always was.
  EXPECT_NE(test::ReadFileBytes(files_.UserFile()).find("Mask= 0"), std::string::npos);
}

TEST_F(PatternSetupTest, OpeningKeepsGoodValuesAndDropsAShapeNoLongerListed) {
  Write("Shape", "Star");
  Write("SizeX", "3.5");
  Write("Gap", "2");
  Write("Screen", "0");
  Write("Mask", " 1");
  PatternSettings settings = OpenPatternSetup(files_, PatternShapeList({"Star"}));
  EXPECT_EQ(settings.shape, "Star");
  EXPECT_EQ(settings.sizeXMm, 3.5);
  EXPECT_EQ(settings.screenAngle, 0);
  EXPECT_TRUE(settings.invert);
  EXPECT_EQ(OpenPatternSetup(files_, PatternShapeList({})).shape, "Ellipse");
}

// What the generator and the command line print: never shapes of no size.
TEST_F(PatternSetupTest, MissingOrOutOfRangeSettingsReadAsTheSetupsDefaults) {
  const PatternSettings fresh = ReadPatternSettings(files_);
  EXPECT_EQ(fresh.shape, "Ellipse");
  EXPECT_EQ(fresh.sizeXMm, 2);
  EXPECT_EQ(fresh.sizeYMm, 2);
  EXPECT_EQ(fresh.gapMm, 1);
  EXPECT_EQ(fresh.screenAngle, 45);
  EXPECT_FALSE(fresh.invert);

  Write("SizeX", "0.5");
  Write("SizeY", "12");
  Write("Gap", "7");
  Write("Screen", "30");
  const PatternSettings odd = ReadPatternSettings(files_);
  EXPECT_EQ(odd.sizeXMm, 2);
  EXPECT_EQ(odd.sizeYMm, 4);
  EXPECT_EQ(odd.gapMm, 1);
  EXPECT_EQ(odd.screenAngle, 45);

  Write("Gap", "1");
  Write("Screen", "0");
  EXPECT_EQ(ReadPatternSettings(files_).gapMm, 1);
  EXPECT_EQ(ReadPatternSettings(files_).screenAngle, 0);
}

}  // namespace
}  // namespace nvx
