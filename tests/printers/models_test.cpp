#include "printers/models.h"

#include <gtest/gtest.h>

#include "lang/text_table.h"
#include "printers/media.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

struct ModelCase {
  const char* key;
  const char* listing;
  int family;
  bool tonerOrder;
  bool faceUp;
  const char* filter;
};

// Test names show the case, not its bytes.
void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.key; }

class ModelTable : public testing::TestWithParam<ModelCase> {};

TEST_P(ModelTable, KeySelectsRowAndCapabilities) {
  const ModelCase& c = GetParam();
  EXPECT_EQ(FindModelRow(c.key).usbListingName, c.listing);
  EXPECT_EQ(FamilyCode(c.key), c.family);
  EXPECT_EQ(CanSwitchTonerOrder(c.key), c.tonerOrder);
  EXPECT_EQ(HasFaceUpExit(c.key), c.faceUp);
  EXPECT_EQ(PrinterListFilter(c.key), c.filter);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ModelTable,
    testing::Values(ModelCase{"C711WT", "OKI C711WT(PS)", 0, false, false, "711WT"},
                    ModelCase{"pro711WT", "OKI C711WT(PS)", 0, false, false, "711WT"},
                    ModelCase{"Pro7411WT", "OKI Pro7411WT", 0, false, false, "PRO7411WT"},
                    ModelCase{"TST4", "U-Print TST4", 4, false, false, "TST4"},
                    ModelCase{"ES7411WT", "OKI ES7411WT(PS)", 1, false, false, "ES7411WT"},
                    ModelCase{"C920WT", "OKI C920WT(PS)", 2, false, true, "C920WT"},
                    ModelCase{"Pro9420WT", "OKI Pro9420WT(PS)", 2, false, true, "PRO9420WT"},
                    ModelCase{"Pro8432WT", "OKI Pro8432WT(PS)", 2, true, false, "PRO8432WT"},
                    ModelCase{"8432WDT", "crio 8432WDT(PS)", 2, true, false, "8432WDT"},
                    ModelCase{"X", "None", 0, false, false, "X"}),
    [](const testing::TestParamInfo<ModelCase>& info) { return std::string(info.param.key); });

TEST(ModelTable, MatchingIsCaseSensitiveContains) {
  EXPECT_EQ(FindModelRow("OKI-C711WT-site").key, "C711WT");
  EXPECT_EQ(FindModelRow("c711wt").usbIdentity, "nomodel");
  EXPECT_TRUE(Is8432WT("Pro8432WT"));
  EXPECT_FALSE(Is8432WT("8432WDT"));
}

TEST(ModelKey, CommandLineBeatsMachineSettingBeatsDefault) {
  test::TempFolder folder;
  SettingsFiles files{folder / "user", folder / "machine", nullptr};
  std::filesystem::create_directories(files.machineFolder);
  EXPECT_EQ(ModelKey(files), "C711WT");
  test::WriteFileBytes(files.MachineFile(), "[ACTIVE]\r\nmodel=Pro8432WT\r\n");
  EXPECT_EQ(ModelKey(files), "Pro8432WT");
  EXPECT_EQ(ModelKey(files, "C920WT"), "C920WT");
}

// A stored model no row knows would silently change the media weights sent.
TEST(ModelKey, UnknownStoredModelWarnsAndFallsBackToTheDefault) {
  test::TempFolder folder;
  SettingsFiles files{folder / "user", folder / "machine", nullptr};
  std::filesystem::create_directories(files.machineFolder);
  test::WriteFileBytes(files.MachineFile(), "[Active]\nModel=Nonsense\n");
  EXPECT_EQ(ModelKey(files), "C711WT");
  const Notes notes = StoredModelNotes(files);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].text.find("Nonsense"), std::string::npos);
  EXPECT_EQ(FindModelKey("pro920wt"), "pro920WT");
  EXPECT_EQ(FindModelKey("Pro920WTX"), std::nullopt);
}

TEST(MediaList, EveryEntryHasATextAndPlainClassesKeepTheirOrder) {
  TextTable text = DefaultTextTable();
  ASSERT_EQ(MediaList().size(), 27u);
  for (const MediaEntry& media : MediaList()) {
    EXPECT_FALSE(text[media.textEntry].empty()) << media.textEntry;
    EXPECT_EQ(MediaCodeForText(text, text[media.textEntry]), media.mediaCode);
  }
  EXPECT_EQ(MediaCodeForText(text, "Printer Setting"), 1);
  EXPECT_EQ(MediaCodeForText(text, "Films"), 12);
  EXPECT_EQ(MediaCodeForText(text, "Nivalux QTT Film"), 29);
  EXPECT_EQ(MediaCodeForText(text, "Cardboard"), 0);
}

}  // namespace
}  // namespace nvx
