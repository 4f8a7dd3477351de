#include <gtest/gtest.h>

#include "settings/numbers.h"
#include "settings/toner_order.h"
#include "settings/units.h"
#include "support/named_case.h"

namespace nvx {
namespace {

struct NumberCase {
  const char* name;
  const char* text;
  double number;
  long long integer;
};

class LeadingNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumbers, ReadTheLeadingNumericPart) {
  EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().number);
  EXPECT_EQ(LeadingInteger(GetParam().text), GetParam().integer);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumbers,
    ::testing::Values(NumberCase{"Percent", "100%", 100, 100}, NumberCase{"Empty", "", 0, 0},
                      NumberCase{"Negative", "-5", -5, -5},
                      NumberCase{"Decimal", "12.5x", 12.5, 12},
                      NumberCase{"Blanks", "  \t13.5mm", 13.5, 14},
                      NumberCase{"PointFirst", ".5", 0.5, 0}, NumberCase{"Word", "abc", 0, 0},
                      NumberCase{"NotHex", "0x1F", 0, 0}, NumberCase{"NotInfinity", "inf", 0, 0},
                      NumberCase{"Exponent", "1e3pt", 1000, 1000},
                      NumberCase{"Version", "OKI C711wt", 0, 0}),
    test::CaseName());

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-2.6), -3);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

struct UnitCase {
  const char* letter;
  double points;
  const char* shown;
  int labelEntry;
};

class UnitFormats : public ::testing::TestWithParam<UnitCase> {};

TEST_P(UnitFormats, ShowAtMostTheirDecimals) {
  DisplayUnit unit = ParseDisplayUnit(GetParam().letter);
  EXPECT_EQ(FormatPointsInDisplayUnit(GetParam().points, unit), GetParam().shown);
  EXPECT_EQ(DisplayUnitLabelEntry(unit), GetParam().labelEntry);
}

INSTANTIATE_TEST_SUITE_P(Units, UnitFormats,
                         ::testing::Values(UnitCase{"M", 595, "209.9", 4},
                                           UnitCase{"C", 595, "20.99", 3},
                                           UnitCase{"I", 595, "8.264", 2},
                                           UnitCase{"I", 72, "1", 2}, UnitCase{"C", 72, "2.54", 3},
                                           UnitCase{"M", 0, "0", 4}, UnitCase{"", 595, "209.9", 4},
                                           UnitCase{"inch", 595, "209.9", 4}),
                         [](const auto& info) {
                           return std::string(*info.param.letter ? info.param.letter : "Empty") +
                                  "_" + std::to_string(info.index);
                         });

TEST(ColourAdjustPoints, RoundTripAndShortOrBrokenTexts) {
  ColourAdjustPoints wf = DefaultColourAdjustPoints(TonerOrder::WhiteFirst);
  EXPECT_EQ(FormatColourAdjustPoints(wf), kWhiteFirstPointsText);
  EXPECT_EQ(wf.values[2], 0xFA);
  ColourAdjustPoints parsed = ParseColourAdjustPoints("ff3GZ1a");
  EXPECT_EQ(parsed.values[0], 0xFF);
  EXPECT_EQ(parsed.values[1], 0x03);  // the pair's leading hex digits
  EXPECT_EQ(parsed.values[2], 0x00);
  EXPECT_EQ(parsed.values[3], 0x0A);  // a lone last digit
  EXPECT_EQ(parsed.values[4], 0x00);
}

TEST(TonerOrder, WhiteFirstNeedsTheSwitchableModel) {
  EXPECT_EQ(EffectiveTonerOrder("Pro8432WT", "WF"), TonerOrder::WhiteFirst);
  EXPECT_EQ(EffectiveTonerOrder("C711WT", "WF"), TonerOrder::WhiteLast);
  EXPECT_EQ(EffectiveTonerOrder("Pro8432WT", "WL"), TonerOrder::WhiteLast);
  EXPECT_EQ(EffectiveTonerOrder("Pro8432WT", ""), TonerOrder::WhiteLast);
}

}  // namespace
}  // namespace nvx
