#include "lang/text_table.h"

#include <gtest/gtest.h>

#include "support/named_case.h"

namespace nvx {
namespace {

struct LineBreakCase {
  const char* name;
  std::string_view text;
  std::string_view expected;
};

class LineBreaks : public testing::TestWithParam<LineBreakCase> {};

TEST_P(LineBreaks, BackslashNBecomesCrLfUnlessItStartsNum) {
  EXPECT_EQ(ApplyLineBreaks(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineBreaks,
    testing::Values(LineBreakCase{"BetweenTwoWords", "Unable to Copy,\\nPlease run",
                                  "Unable to Copy,\r\nPlease run"},
                    LineBreakCase{"NumStays", "Copy \\num of 3", "Copy \\num of 3"},
                    LineBreakCase{"BreakBeforeNum", "a\\n\\num", "a\r\n\\num"},
                    LineBreakCase{"NuIsNotNum", "\\nu", "\r\nu"},
                    LineBreakCase{"TwoBreaks", "unmark\\n\\nThe", "unmark\r\n\r\nThe"},
                    LineBreakCase{"LoneBackslashAtEnd", "path\\", "path\\"},
                    LineBreakCase{"Empty", "", ""}),
    test::CaseName());

TEST(DefaultTextTable, HoldsTitleAndRenderedTexts) {
  TextTable table = DefaultTextTable();
  ASSERT_GE(table.entries.size(), kMinTextEntries);
  EXPECT_EQ(table[0], kAppTitle);
  EXPECT_EQ(table[1], "No File");
  EXPECT_EQ(table[29], "Print Utility For ******");
  EXPECT_EQ(table[265], "Pattern Preview");
  EXPECT_EQ(table[135],
            "The original image is to big\r\nfor the requested copies\r\nPlease reduce the "
            "size/resolution");
  EXPECT_EQ(table[252],
            "Select the Shapes to remove. This will mark the name. Select again to unmark\r\n\r\n"
            "The Cancel button will exit without deleting the marked Shape(s),OK completes the "
            "removal of the shapes");
  EXPECT_TRUE(
      table[136].starts_with("Important: Your Printer must be connected and powered on "
                             "when using this utility!To use the Nivalux"));
  EXPECT_TRUE(
      table[136].ends_with("switching between the 2 buttons.In this case just power "
                           "cycle your printer and it should re-connect."));
  for (std::size_t empty : {25, 27, 167, 200, 221, 258, 266, 290, 300}) {
    EXPECT_EQ(table[empty], "") << "entry " << empty;
  }
}

TEST(TextTable, EntriesBeyondTheTableReadEmptyAndHugeIndexesAreIgnored) {
  TextTable table;
  EXPECT_EQ(table[kMinTextEntries], "");
  EXPECT_EQ(table[std::size_t(-1)], "");
  table.Set(400, "late");
  EXPECT_EQ(table[400], "late");
  table.Set(std::size_t(-1), "never");
  EXPECT_EQ(table.entries.size(), 401u);
}

}  // namespace
}  // namespace nvx
