#include "printers/media_rules.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace nvx {
namespace {

class MediaRules : public testing::Test {
 protected:
  test::TempFolder folder;
  SettingsFiles files{folder / "user", folder / "machine", nullptr};
  TextTable text = DefaultTextTable();
  LiveSettings live;
  bool marginOverride = false;

  void SetUp() override {
    std::filesystem::create_directories(files.userFolder);
    std::filesystem::create_directories(files.machineFolder);
    WriteSetting(files, "Active", "Top Margin", "1296");
    WriteSetting(files, "Active", "Left Margin", "1296");
    WriteSetting(files, "Active", "Right Margin", "1296");
    WriteSetting(files, "Active", "Bottom Margin", "1307");
  }

  MediaRuleOutcome Choose(std::string_view media, std::string_view model = "C711WT") {
    live.mediaType = media;
    return ApplyMediaRules(files, text, model, live, marginOverride);
  }
  std::string Margin(const char* key) { return ReadSetting(files, "Active", key); }
};

// A language may capitalise "P.Foil Dark": the rules and the job's media code
// both ignore case, and an empty list text is no medium at all.
TEST_F(MediaRules, LetterCaseIsIgnoredAndAnEmptyTextMatchesNothing) {
  text.Set(198, "P.Foil Dark");
  Choose("p.foil dark");
  EXPECT_TRUE(marginOverride);
  EXPECT_FALSE(live.trayListEnabled);
  text.Set(101, "");
  Choose("");
  EXPECT_EQ(live.mediaCode, 16);  // unchanged from the foil: no rule matched
  EXPECT_TRUE(live.trayListEnabled);
}

TEST_F(MediaRules, PlainPaperAfterTransferMediaTurnsWhiteAndMirrorOff) {
  Choose("P.Uno White");
  EXPECT_TRUE(live.printWhite);
  EXPECT_TRUE(live.mirrorOn);
  EXPECT_TRUE(live.thresholdOn);
  EXPECT_EQ(live.tonerPercent, 60);
  EXPECT_EQ(live.mediaCode, 15);

  Choose("Labels 1");
  EXPECT_FALSE(live.printWhite);
  EXPECT_FALSE(live.whiteControlsEnabled);
  EXPECT_FALSE(live.mirrorOn);
  EXPECT_FALSE(live.trayListEnabled);
  EXPECT_FALSE(live.thresholdOn);
  EXPECT_EQ(live.tonerPercent, 50);
  EXPECT_EQ(live.mediaCode, 9);
}

TEST_F(MediaRules, TrayLockDependsOnTheModel) {
  Choose("Glossy", "Pro8432WT");
  EXPECT_TRUE(live.trayListEnabled);
  Choose("Glossy", "C711WT");
  EXPECT_FALSE(live.trayListEnabled);
  Choose("Ultra Heavy 3 (221 - 250 g/m2)", "Pro8432WT");
  EXPECT_FALSE(live.trayListEnabled);
}

TEST_F(MediaRules, WhiteFirstModeKeepsWhiteOnForEveryMedia) {
  WriteMachineSetting(files, "Active", "T_ORDER", "WF");
  Choose("Films", "Pro8432WT");
  EXPECT_TRUE(live.printWhite);
  EXPECT_TRUE(live.whiteControlsEnabled);
  Choose("Films", "C711WT");  // only the 8432 models read the machine's toner order
  EXPECT_FALSE(live.printWhite);
}

TEST_F(MediaRules, HandPlacedMediaShowTheStoredHands) {
  WriteSetting(files, "Others", "LeftHand", "1");
  WriteSetting(files, "Others", "RightHand", "0");
  auto outcome = Choose("Duo7.8 mSheet (Magenta)");
  EXPECT_TRUE(outcome.showHands);
  EXPECT_TRUE(outcome.leftHand);
  EXPECT_FALSE(outcome.rightHand);
  EXPECT_TRUE(live.displayWhite);
  EXPECT_EQ(outcome.hintEntry, 230);
  EXPECT_FALSE(Choose("KTC3.1").showHands);
}

TEST_F(MediaRules, UnknownMediaKeepsItsCodeAndLeavesWhiteOn) {
  live.mediaCode = 7;
  Choose("Cardboard");
  EXPECT_EQ(live.mediaCode, 7);
  EXPECT_TRUE(live.printWhite);
  EXPECT_TRUE(live.trayListEnabled);
  EXPECT_FALSE(live.mirrorOn);
}

TEST_F(MediaRules, DarkFoilWidensTheMarginsUntilTheNextMediaChange) {
  text.Set(198, "P.Foil dark");
  live.paperName = "A3";
  Choose("P.Foil dark");
  EXPECT_TRUE(marginOverride);
  EXPECT_EQ(Margin("Top Margin"), "3912");
  EXPECT_EQ(Margin("Left Margin"), "3855");
  EXPECT_EQ(Margin("Right Margin"), "3855");
  EXPECT_EQ(Margin("Bottom Margin"), "3912");
  EXPECT_FALSE(live.printCmyEnabled);
  EXPECT_FALSE(live.trayListEnabled);

  Choose("Glossy");
  EXPECT_FALSE(marginOverride);
  EXPECT_EQ(Margin("Top Margin"), "1296");
  EXPECT_EQ(Margin("Bottom Margin"), "1307");
  EXPECT_TRUE(live.printCmyEnabled);
}

TEST_F(MediaRules, PlainFoilLeavesTheMarginsAlone) {
  live.paperName = "A4";
  Choose("P.Foil");
  EXPECT_FALSE(marginOverride);
  EXPECT_EQ(Margin("Top Margin"), "1296");
  EXPECT_FALSE(live.printWhite);
  EXPECT_TRUE(live.mirrorOn);
  EXPECT_EQ(live.tonerPercent, 70);
}

}  // namespace
}  // namespace nvx
