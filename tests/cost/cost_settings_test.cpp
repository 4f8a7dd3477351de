#include "cost/cost_settings.h"

#include <gtest/gtest.h>

#include "cost_test_support.h"
#include "settings/settings_keys.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::CostFolder;
using test::ReadFileBytes;

TEST(CostSettings, OpeningWritesOnlyTheMissingDefaults) {
  CostFolder folder;
  WriteSetting(folder.files, "Stats", "Option", "2");
  WriteSetting(folder.files, "Stats", "Fuser", "F,100000,200");
  const CostSettings settings = OpenCostSettings(folder.files);
  EXPECT_EQ(ReadSetting(folder.files, "Stats", "CMYT"), "CMY,11500,5%,216,A4");
  EXPECT_EQ(ReadSetting(folder.files, "Stats", "Currancy"), "Euro");
  EXPECT_EQ(settings.option, StatsOption::PrintAndCost);
  EXPECT_EQ(settings.Row(Consumable::ColourToner),
            (ConsumableRow{"CMY", "11500", "5%", "216", "A4"}));
  EXPECT_EQ(settings.Row(Consumable::Fuser), (ConsumableRow{"F", "100000", "", "200", ""}));
  EXPECT_EQ(ReadSetting(folder.files, "Stats", "WhitT"), "");
}

TEST(CostSettings, OkWritesEveryRowCommaJoinedAndReadsBackTheSame) {
  CostFolder folder;
  CostSettings settings = OpenCostSettings(folder.files);
  settings.Row(Consumable::WhiteToner) = {"White", "5000", "10%", "100.50", "A4"};
  settings.Row(Consumable::WhiteDrum) = {"WD", "20000", "", "120", ""};
  settings.currency = "GBP";
  settings.option = StatsOption::CostOnly;
  ASSERT_TRUE(WriteCostSettings(folder.files, settings).ok());
  EXPECT_EQ(ReadSetting(folder.files, "Stats", "WhitT"), "White,5000,10%,100.50,A4");
  EXPECT_EQ(ReadSetting(folder.files, "Stats", "IDWH"), "WD,20000,120");
  EXPECT_EQ(ReadSetting(folder.files, "Stats", "Option"), "1");
  EXPECT_EQ(ReadCostSettings(folder.files), settings);
}

TEST(CostSettings, AWrongBoxIsNamedAndNothingIsWritten) {
  CostFolder folder;
  CostSettings settings = OpenCostSettings(folder.files);
  const std::string before = ReadFileBytes(folder.files.UserFile());
  settings.currency = "GBP";
  settings.Row(Consumable::TransferBelt) = {"Belt", "0", "", "180", ""};
  const Status status = WriteCostSettings(folder.files, settings);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.failure().message,
            "Transfer belt: the yield must be a number of pages above 0.");

  settings.Row(Consumable::TransferBelt) = {std::string(300, 'B'), "60000", "", "180", ""};
  EXPECT_FALSE(WriteCostSettings(folder.files, settings).ok());  // would come back cut
  EXPECT_EQ(ReadFileBytes(folder.files.UserFile()), before);
}

struct BoxCase {
  const char* name;
  CostBox box;
  std::string_view text;
  bool accepted;
};

using test::PrintTo;

class CostBoxes : public testing::TestWithParam<BoxCase> {};

TEST_P(CostBoxes, AreCheckedAsTyped) {
  EXPECT_EQ(CheckCostBox(GetParam().box, GetParam().text).ok(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cost, CostBoxes,
    testing::Values(BoxCase{"YieldWhole", CostBox::Yield, "11500", true},
                    BoxCase{"YieldFraction", CostBox::Yield, "0.5", true},
                    BoxCase{"YieldEmptyLeavesItOut", CostBox::Yield, "", true},
                    BoxCase{"YieldZero", CostBox::Yield, "0", false},
                    BoxCase{"YieldNegative", CostBox::Yield, "-5", false},
                    BoxCase{"YieldDecimalComma", CostBox::Yield, "11,5", false},
                    BoxCase{"YieldWords", CostBox::Yield, "many", false},
                    BoxCase{"YieldTwoPoints", CostBox::Yield, "1.2.3", false},
                    BoxCase{"CoveragePercent", CostBox::Coverage, "5%", true},
                    BoxCase{"CoverageNumber", CostBox::Coverage, "7.5", true},
                    BoxCase{"CoverageZero", CostBox::Coverage, "0%", false},
                    BoxCase{"CoverageAboveAll", CostBox::Coverage, "150%", false},
                    BoxCase{"PriceFree", CostBox::Price, "0", true},
                    BoxCase{"PriceCents", CostBox::Price, "216.50", true},
                    BoxCase{"PriceDecimalComma", CostBox::Price, "216,50", false},
                    BoxCase{"LabelWithComma", CostBox::Label, "C,M,Y", false},
                    BoxCase{"LabelWithLineBreak", CostBox::Label, "CMY\nK", false},
                    BoxCase{"Paper", CostBox::Paper, "A4", true},
                    BoxCase{"CurrencyWithComma", CostBox::Currency, "Euro, cents", true}),
    test::CaseName());

struct OptionCase {
  const char* name;
  std::string_view stored;
  StatsOption option;
};

class StatsOptions : public testing::TestWithParam<OptionCase> {};

TEST_P(StatsOptions, OnlyOneAndTwoCostAPrint) {
  CostFolder folder;
  WriteSetting(folder.files, "STATS", "option", GetParam().stored);
  EXPECT_EQ(ReadStatsOption(folder.files), GetParam().option);
}

INSTANTIATE_TEST_SUITE_P(Cost, StatsOptions,
                         testing::Values(OptionCase{"CostOnly", "1", StatsOption::CostOnly},
                                         OptionCase{"PrintThenCost", "2",
                                                    StatsOption::PrintAndCost},
                                         OptionCase{"PrintOnly", "3", StatsOption::PrintOnly},
                                         OptionCase{"Empty", "", StatsOption::PrintOnly},
                                         OptionCase{"Other", "12", StatsOption::PrintOnly}),
                         test::CaseName());

}  // namespace
}  // namespace nvx
