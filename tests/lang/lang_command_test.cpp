#include "cli/lang_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx::app {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

struct LangRun {
  int status;
  std::string out;
  std::string err;
};

LangRun Lang(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = RunLangCommand(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(LangCommand, DecodeOfEncodeGivesTheTableBack) {
  TempFolder folder;
  const std::string table =
      "0\tNivalux Pro\n"
      "1\tDatei \u00f6ffnen\n"
      "2\tGr\u00fc\u00dfe\\naus M\u00fcnchen\n"
      "5\t\u65e5\u672c\u8a9e\n"
      "29\tPrint Utility For ******\n"
      "30\t\n"
      "400\t*last*\n";
  WriteFileBytes(folder / "table.txt", "# a comment\r\n\r\n" + table);
  std::string lan3 = (folder / "Deutsch.lan3").string();
  ASSERT_EQ(Lang({"encode", (folder / "table.txt").string(), lan3}).status, 0);
  EXPECT_TRUE(ReadFileBytes(lan3).starts_with("Starvane Language file V3\r\n"));

  LangRun decoded = Lang({"decode", lan3});
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.out, table);
  EXPECT_EQ(decoded.err, "");
}

struct BadTableCase {
  const char* name;
  std::string table;
  std::string where;
};

class LangEncodeBadTable : public testing::TestWithParam<BadTableCase> {};

TEST_P(LangEncodeBadTable, NamesTheLineAndWritesNothing) {
  TempFolder folder;
  WriteFileBytes(folder / "table.txt", GetParam().table);
  LangRun run = Lang({"encode", (folder / "table.txt").string(), (folder / "out.lan3").string()});
  EXPECT_EQ(run.status, 1);  // a file that cannot be read, not a bad option
  EXPECT_NE(run.err.find("table.txt:" + GetParam().where + ":"), std::string::npos) << run.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(Tables, LangEncodeBadTable,
                         testing::Values(BadTableCase{"NoTab", "1\tok\n# note\n2 missing tab\n",
                                                      "3"},
                                         BadTableCase{"IndexNotNumber", "x1\ttext\n", "1"},
                                         BadTableCase{"NegativeIndex", "-1\ttext\n", "1"},
                                         BadTableCase{"IndexTooLarge", "1\tok\n10000\ttext\n", "2"},
                                         BadTableCase{"InvalidUtf8",
                                                      "1\tGr\xfc\xdf"
                                                      "e\n",
                                                      "1"},
                                         BadTableCase{"DuplicateIndex", "7\ta\n7\tb\n", "2"}),
                         test::CaseName());

TEST(LangCommand, ExitStatusesForUsageAndFiles) {
  TempFolder folder;
  EXPECT_EQ(Lang({}).status, 2);
  EXPECT_EQ(Lang({"encode", "only-one"}).status, 2);
  LangRun help = Lang({"decode", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: nvxprint lang"));

  EXPECT_EQ(Lang({"decode", (folder / "none.lan3").string()}).status, 1);
  EXPECT_EQ(Lang({"encode", (folder / "none.txt").string(), (folder / "x.lan3").string()}).status,
            1);
  WriteFileBytes(folder / "t.txt", "1\tOpen\n");
  EXPECT_EQ(
      Lang({"encode", (folder / "t.txt").string(), (folder / "no/such/x.lan3").string()}).status,
      1);
  WriteFileBytes(folder / "old.lan3", "Starvane Language file V2\r\n\r\n");
  EXPECT_EQ(Lang({"decode", (folder / "old.lan3").string()}).status, 1);
}

}  // namespace
}  // namespace nvx::app
