#include "job/presets.h"

#include <gtest/gtest.h>

#include "settings/settings_keys.h"
#include "support/command.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

class PresetSession : public testing::Test {
 protected:
  test::TempFolder home;
  void SetUp() override { test::UseIsolatedEnv(home.path(), NVX_SHARE_DIR); }

  // The margins stored after a session that loads the preset in `scope`.
  PageMargins StoredAfterLoading(std::string_view preset, PresetScope scope) {
    test::WriteFileBytes(home / "p.svcfg", preset);
    {
      PrintSession s;
      EXPECT_TRUE(OpenPrintSession(s, "").ok());
      EXPECT_TRUE(ReadPreset(s, home / "p.svcfg", scope).ok());
      EXPECT_TRUE(CommitSession(s).ok());
    }
    PrintSession after;
    EXPECT_TRUE(OpenPrintSession(after, "").ok());
    return after.userMargins;
  }
};

// The window's load stores the margins a preset holds (not "60"); a command's
// holds them for its run only.
TEST_F(PresetSession, LoadedMarginsAreStoredOnlyByTheWindowsLoad) {
  const std::string preset = "[Active]\nTop Margin=3600\nBottom Margin=60\n";
  EXPECT_EQ(StoredAfterLoading(preset, PresetScope::ThisRun), PageMargins{});
  EXPECT_EQ(StoredAfterLoading(preset, PresetScope::Stored), (PageMargins{3600, 1296, 1296, 1307}));
}

// The window's load raises a preset's margins to the printer's least before storing them.
TEST_F(PresetSession, MarginsBelowThePrintersLeastAreRaisedBeforeTheyAreStored) {
  const std::string preset = "[Active]\nTop Margin=-500\nRight Margin=900\nLeft Margin=1500\n";
  EXPECT_EQ(StoredAfterLoading(preset, PresetScope::Stored), (PageMargins{1296, 1500, 1296, 1307}));
}

// A preset that cannot be written is reported, and not remembered.
TEST_F(PresetSession, UnwritablePresetFailsAndIsNotRemembered) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  EXPECT_FALSE(WritePreset(s, home / "no such folder" / "p.svcfg").ok());
  EXPECT_TRUE(LastPresetFile(s.files).empty());
  EXPECT_FALSE(ReadPreset(s, home / "missing.svcfg", PresetScope::Stored).ok());
  ASSERT_TRUE(WritePreset(s, home / "p.svcfg").ok());
  EXPECT_EQ(LastPresetFile(s.files), home / "p.svcfg");
}

// A preset keeps compact jobs when they are on and is loaded with them; saved
// with them off it holds no Compact key, as presets always were, unless it
// must turn off the one an earlier save left in the file.
TEST_F(PresetSession, CompactJobsAreSavedOnlyWhenOnOrTurnedOff) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  const auto file = home / "p.svcfg";
  ASSERT_TRUE(WritePreset(s, file).ok());
  EXPECT_EQ(test::ReadFileBytes(file).find("Compact"), std::string::npos);
  s.live.compactRaster = true;
  ASSERT_TRUE(WritePreset(s, file).ok());
  s.live.compactRaster = false;
  ASSERT_TRUE(ReadPreset(s, file, PresetScope::ThisRun).ok());
  EXPECT_TRUE(s.live.compactRaster);
  s.live.compactRaster = false;
  ASSERT_TRUE(WritePreset(s, file).ok());
  ASSERT_TRUE(ReadPreset(s, file, PresetScope::ThisRun).ok());
  EXPECT_FALSE(s.live.compactRaster);
}

}  // namespace
}  // namespace nvx
