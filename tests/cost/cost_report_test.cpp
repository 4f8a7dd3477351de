#include "cost/cost_report.h"

#include <gtest/gtest.h>

#include "support/named_case.h"

namespace nvx {
namespace {

CostEstimate Estimate(double perPrint, int copies, std::vector<Consumable> skipped = {}) {
  CostEstimate estimate;
  estimate.perPrint = perPrint;
  estimate.copies = copies;
  estimate.currency = "Euro";
  estimate.skipped = std::move(skipped);
  return estimate;
}

struct SummaryCase {
  const char* name;
  int copies;
  std::vector<Consumable> skipped;
  std::string_view expected;
};

using test::PrintTo;

class CostSummary : public testing::TestWithParam<SummaryCase> {};

TEST_P(CostSummary, ReadsAsOneEnglishText) {
  std::tm when{};
  when.tm_year = 126;
  when.tm_mon = 11;
  when.tm_mday = 8;
  when.tm_hour = 14;
  when.tm_min = 5;
  when.tm_sec = 9;
  const CostEstimate estimate =
      Estimate(216.0 / 11500 / 5 * 30, GetParam().copies, GetParam().skipped);
  EXPECT_EQ(BuildCostSummary(estimate, "cup.png", "Plain", SummaryTime(when)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cost, CostSummary,
    testing::Values(
        SummaryCase{"OneCopy",
                    1,
                    {},
                    "File \"cup.png\" printed at Plain on 14:05:09 2026-12-08 would cost "
                    "approximately 0.11 Euro per print plus the transfer paper."},
        SummaryCase{"ThreeCopies",
                    3,
                    {},
                    "File \"cup.png\" printed at Plain on 14:05:09 2026-12-08 would cost "
                    "approximately 0.11 Euro per print.\r\nFor 3 copies the overall cost is 0.34 "
                    "Euro plus the transfer paper."},
        SummaryCase{"SomethingSkipped",
                    1,
                    {Consumable::Fuser, Consumable::TransferBelt},
                    "File \"cup.png\" printed at Plain on 14:05:09 2026-12-08 would cost "
                    "approximately 0.11 Euro per print plus the transfer paper.\r\nNot counted, "
                    "as no yield or coverage is set: Fuser, Transfer belt."}),
    test::CaseName());

TEST(CostReport, FillsTheBuiltInTextsAndAddsTheCopiesLine) {
  const CostReport report =
      BuildCostReport(Estimate(216.0 / 11500 / 5 * 30, 3), StatsOption::PrintAndCost,
                      DefaultTextTable(), "\\\\srv\\calc\\", "A4");
  EXPECT_EQ(report.optionLine, "The Current setting is Print & Statistics");
  // The printer's name is put in as it stands, never searched for placeholders.
  EXPECT_EQ(report.text,
            "One print on A4 paper on the \\\\srv\\calc\\ costs approximately 0.11 Euro in "
            "consumables (toner, image drums, fuser and transfer belt).\r\nFor 3 copies the "
            "overall cost is 0.34 Euro.");
}

TEST(CostReport, OneCopyHasNoCopiesLineAndBothCurrencySpellingsAreFilled) {
  TextTable text;
  text.Set(kCostReportText, "\\calc\\ \\currancy\\ / \\Currancy\\ on \\printer\\");
  text.Set(kCostCopiesText, "never shown");
  const CostReport report = BuildCostReport(Estimate(12, 1, {Consumable::WhiteDrum}),
                                            StatsOption::CostOnly, text, "C711WT", "A4");
  EXPECT_EQ(report.optionLine, "The Current setting is Statistics only");
  EXPECT_EQ(report.text,
            "12 Euro / Euro on C711WT\r\nNot counted, as no yield or coverage is set: White "
            "image drum.");
}

TEST(CostReport, ALanguageWithoutTheCostTextsGetsTheEnglishOnes) {
  TextTable text;  // every entry empty, as a language file without them leaves it
  const CostReport report =
      BuildCostReport(Estimate(0.5, 2), StatsOption::CostOnly, text, "C711WT", "A4");
  EXPECT_EQ(report.text, BuildCostReport(Estimate(0.5, 2), StatsOption::CostOnly,
                                         DefaultTextTable(), "C711WT", "A4")
                             .text);
}

}  // namespace
}  // namespace nvx
