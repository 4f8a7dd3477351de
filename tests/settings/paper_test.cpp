#include "settings/paper.h"

#include <gtest/gtest.h>

#include "settings/paper_limits.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

struct PaperCase {
  const char* name;
  const char* listText;
  int widthPt;
  int heightPt;
  bool multiPurposeOnly;
};

class StandardPapers : public ::testing::TestWithParam<PaperCase> {
 protected:
  TempFolder temp;
  SettingsFiles files{temp.path(), temp.path()};
};

TEST_P(StandardPapers, SetThePageSizeAndTrayRule) {
  LiveSettings live;
  live.paperTray = "AUTO";
  ASSERT_TRUE(SetPaper(files, live, GetParam().listText, "Universalschacht"));
  EXPECT_EQ(live.paperWidthPt, GetParam().widthPt);
  EXPECT_EQ(live.paperHeightPt, GetParam().heightPt);
  EXPECT_EQ(live.paperTray, GetParam().multiPurposeOnly ? "Universalschacht" : "AUTO");
  EXPECT_EQ(live.trayListEnabled, !GetParam().multiPurposeOnly);
}

INSTANTIATE_TEST_SUITE_P(Table, StandardPapers,
                         ::testing::Values(PaperCase{"A3", "A3", 842, 1191, false},
                                           PaperCase{"A4", " A4 ", 595, 842, false},
                                           PaperCase{"A4SefWithMore", "A4 SEF landscape", 595, 842,
                                                     false},
                                           PaperCase{"A5Sef", "A5 SEF", 420, 595, false},
                                           PaperCase{"Mug", "Mug 90x245", 255, 695, false},
                                           PaperCase{"A6Sef", "A6 SEF", 297, 420, true},
                                           PaperCase{"A4XL", "A4XL 216x420mm", 612, 1191, true},
                                           PaperCase{"A4BC", "A4BC 216x320mm", 612, 907, true}),
                         test::CaseName());

struct CustomPaperFixture : ::testing::Test {
  TempFolder temp;
  SettingsFiles files{temp.path(), temp.path()};

  void SetUp() override {
    WriteFileBytes(files.UserFile(),
                   "[Active]\nTop Margin=1296\nLeft Margin=1296\nRight Margin=1296\n"
                   "Bottom Margin=1307\n[Papers]\nNumber=3\n"
                   "Custom1=Small^300.00000^500.00000^0^0.00000^0^0^0\n"
                   "Custom2=A4 Special^700.50000^900^5^20.00000^10.5^10^30\n"
                   "Custom3=Banner^900^3000^9^0^0^0^0\n");
  }
};

TEST_F(CustomPaperFixture, CustomSizeSetsSizeAndItsMargins) {
  LiveSettings live;
  ASSERT_TRUE(SetPaper(files, live, "A4 Special", "MultiPurpose Tray"));
  EXPECT_EQ(live.paperWidthPt, 700);  // 700.5 rounds to even
  EXPECT_EQ(live.paperHeightPt, 900);
  EXPECT_EQ(ReadSetting(files, "Active", "Top Margin"), "2000");
  EXPECT_EQ(ReadSetting(files, "Active", "Left Margin"), "1050");
  EXPECT_EQ(ReadSetting(files, "Active", "Bottom Margin"), "3000");
  PrintableSize area = PrintableArea(files, live);
  EXPECT_FLOAT_EQ(area.widthPt, 700 - 10.5f - 10);
  EXPECT_FLOAT_EQ(area.heightPt, 900 - 20 - 30);

  ASSERT_TRUE(SetPaper(files, live, "Small", "MultiPurpose Tray"));
  EXPECT_EQ(live.paperWidthPt, 300);
  EXPECT_EQ(ReadSetting(files, "Active", "Top Margin"), "2000");  // zero top: margins stay
  EXPECT_FALSE(SetPaper(files, live, "Unknown", "MultiPurpose Tray"));
  EXPECT_EQ(live.paperWidthPt, 300);
}

TEST_F(CustomPaperFixture, PaperListDependsOnThePrinterClass) {
  using List = std::vector<std::string>;
  EXPECT_EQ(PaperList(files, "C711WT"),
            (List{"A4XL 216x420mm", "A4", "A5 SEF", "A6 SEF", "Small"}));
  EXPECT_EQ(PaperList(files, "Pro8432WT"), (List{"A3", "A4XL 216x420mm", "A4", "A4 SEF", "A5 SEF",
                                                 "A6 SEF", "Small", "A4 Special"}));
  EXPECT_EQ(PaperList(files, "Pro9420WT").back(), "Banner");
  EXPECT_EQ(PrinterClassFromModel("C920WT"), 2);
  EXPECT_EQ(PrinterClassFromModel("9420WT 8432"), 3);
}

TEST_F(CustomPaperFixture, AddAndDeleteKeepRecordsContiguous) {
  EXPECT_FALSE(AddCustomPaper(files, "   ", 400, 500));
  EXPECT_FALSE(AddCustomPaper(files, "a^b", 400, 500));
  ASSERT_TRUE(AddCustomPaper(files, "  Wide  ", 623.7, 1000));
  EXPECT_EQ(ReadSetting(files, "Papers", "Number"), "4");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom4"),
            "Wide^623.70000^1000.00000^5^12.96000^12.96000^12.96000^13.07000");

  ASSERT_TRUE(DeleteCustomPaper(files, "A4 Special"));
  EXPECT_EQ(ReadSetting(files, "Papers", "Number"), "3");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom2"), "Banner^900^3000^9^0^0^0^0");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom3"),
            "Wide^623.70000^1000.00000^5^12.96000^12.96000^12.96000^13.07000");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom4"), "");
  EXPECT_FALSE(DeleteCustomPaper(files, "A4 Special"));
}

// A window's settings were read when it opened; a size another program added
// since is counted, not overwritten, and the window's reads see its own add.
TEST_F(CustomPaperFixture, AnAddCountsTheSizesInTheFileNotThoseReadAtTheStart) {
  SettingsFiles window = files;
  TakeSettingsSnapshot(window);
  ASSERT_TRUE(AddCustomPaper(files, "Other", 400, 500));  // another program
  ASSERT_TRUE(AddCustomPaper(window, "Mine", 400, 600));
  ASSERT_TRUE(DeleteCustomPaper(window, "Small"));
  EXPECT_EQ(ReadSetting(files, "Papers", "Number"), "4");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom3").substr(0, 6), "Other^");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom4").substr(0, 5), "Mine^");
  EXPECT_EQ(ReadSetting(window, "Papers", "Custom4").substr(0, 5), "Mine^");
  EXPECT_TRUE(CommitSettings(window));
  EXPECT_EQ(ReadSetting(files, "Papers", "Number"), "4");
}

TEST(MinimumMargins, RicohAndImexQueuesHaveTheirOwnWhateverTheSpelling) {
  for (const char* name : {"RICOH Pro 8432", "Ricoh_Pro_C5300", "imex-transfer"}) {
    EXPECT_EQ(MinimumMargins(name).top, 1200) << name;
  }
  EXPECT_EQ(MinimumMargins("OKI_C711WT").top, 1296);
}

}  // namespace
}  // namespace nvx
