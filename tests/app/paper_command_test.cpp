#include <gtest/gtest.h>

#include "support/command.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

class PaperCommands : public testing::Test {
 protected:
  test::TempFolder home;

  test::CliResult Run(std::vector<std::string> args) {
    return test::RunNvxprint(args, test::IsolatedEnv(home.path(), NVX_SHARE_DIR));
  }
  std::string Settings() const {
    return test::ReadFileBytes(home / "config/NivaluxPro/NivaluxPro.ini");
  }
  bool Lists(const std::string& model, const std::string& paper) {
    test::CliResult list = Run({"paper", "list", "--model", model});
    EXPECT_EQ(list.status, 0);
    return list.out.find("\n" + paper + "\n") != std::string::npos;
  }
};

struct SizeCase {
  const char* name;
  const char* model;
  std::vector<std::string> size;  // --width, --height, --unit
  const char* refusal;            // the range shown, or nullptr when stored
};

class PaperSize : public PaperCommands, public testing::WithParamInterface<SizeCase> {};

// A size within the class's range is stored; one outside is refused with the
// range as the dialog shows it, and nothing is stored.
TEST_P(PaperSize, IsStoredOrRefusedWithTheRange) {
  std::vector<std::string> args{"paper", "add", "Tee", "--model", GetParam().model};
  args.insert(args.end(), GetParam().size.begin(), GetParam().size.end());
  test::CliResult added = Run(args);
  if (GetParam().refusal) {
    EXPECT_EQ(added.status, 2);
    EXPECT_NE(added.err.find(GetParam().refusal), std::string::npos) << added.err;
    EXPECT_EQ(Settings().find("Tee^"), std::string::npos);
  } else {
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_TRUE(Lists(GetParam().model, "Tee"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PaperSize,
    testing::Values(SizeCase{"WideOnAnA4Model",
                             "C711WT",
                             {"--width", "220", "--height", "300", "--unit", "mm"},
                             "(63...215.9) mm"},
                    SizeCase{"WideOnAnA3Model",
                             "Pro9420WT",
                             {"--width", "220", "--height", "300", "--unit", "mm"},
                             nullptr},
                    SizeCase{"TooShort",
                             "C711WT",
                             {"--width", "20", "--height", "12", "--unit", "cm"},
                             "(12.7..132.08) cm"},
                    SizeCase{"InchesOverTheWidth",
                             "C711WT",
                             {"--width", "8.6", "--height", "11", "--unit", "in"},
                             "(2.52...8.50) inch"},
                    SizeCase{"BannerOn8432",
                             "Pro8432WT",
                             {"--width", "297", "--height", "1300", "--unit", "mm"},
                             nullptr}),
    test::CaseName());

// Records of five decimals with the user's margins; a wide size is kept from
// the A4 models' list; the same name replaces its record.
TEST_F(PaperCommands, RecordsAreReplacedByNameAndListedByWidthClass) {
  ASSERT_EQ(
      Run({"paper", "add", "Shirt", "--width", "200", "--height", "300", "--unit", "mm"}).status,
      0);
  ASSERT_EQ(Run({"paper", "add", "Wide", "--width", "220", "--height", "300", "--unit", "mm",
                 "--model", "Pro9420WT"})
                .status,
            0);
  ASSERT_EQ(
      Run({"paper", "add", " Shirt ", "--width", "201", "--height", "300", "--unit", "mm"}).status,
      0);
  const std::string settings = Settings();
  EXPECT_NE(settings.find("Number=2\nCustom1=Shirt^569.83500^850.50000^0^12.96000^12.96000^"
                          "12.96000^13.07000\nCustom2=Wide^623.70000^850.50000^5^"),
            std::string::npos)
      << settings;
  EXPECT_FALSE(Lists("C711WT", "Wide"));
  EXPECT_TRUE(Lists("Pro9420WT", "Wide"));

  EXPECT_EQ(Run({"paper", "remove", "Shirt"}).status, 0);
  EXPECT_NE(Settings().find("Number=1\nCustom1=Wide^"), std::string::npos);
  EXPECT_EQ(Run({"paper", "remove", "Shirt"}).status, 2);
}

TEST_F(PaperCommands, MarginsAreRaisedToTheLeastAndStored) {
  test::CliResult set = Run({"margins", "--top", "3", "--left", "10", "--unit", "mm"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_NE(Settings().find("Top Margin=1296\n"), std::string::npos);
  EXPECT_NE(Settings().find("Left Margin=2835\n"), std::string::npos);
  EXPECT_NE(Settings().find("Bottom Margin=1308\n"), std::string::npos);
  test::CliResult shown = Run({"margins", "--unit", "in"});
  EXPECT_EQ(shown.out,
            "top 0.18 inch\nleft 0.394 inch\nright 0.18 inch\nbottom 0.182 inch\n"
            "printable area 7.69 x 11.33 inch on A4\n");
}

TEST_F(PaperCommands, MarginsThatLeaveNoPageAreRefused) {
  EXPECT_EQ(Run({"margins", "--top", "150", "--bottom", "150", "--unit", "mm"}).status, 2);
  EXPECT_EQ(Settings().find("Top Margin=4"), std::string::npos);
  EXPECT_EQ(Run({"margins", "--top", "-1"}).status, 2);
}

}  // namespace
}  // namespace nvx
