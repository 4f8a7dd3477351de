#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "support/command.h"
#include "support/named_case.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee60.png";

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

// The stored custom papers' names, in record order, and whether the records
// run from Custom1 to Custom<Number> without a gap or one beyond.
std::vector<std::string> StoredPapers(const std::string& settings, bool& contiguous) {
  std::map<int, std::string> records;
  int number = -1;
  std::istringstream lines(settings);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Number=")) number = std::stoi(line.substr(7));
    if (!line.starts_with("Custom")) continue;
    const std::size_t equals = line.find('=');
    records[std::stoi(line.substr(6, equals - 6))] = line.substr(equals + 1);
  }
  std::vector<std::string> names;
  contiguous = true;
  for (int i = 1; i <= std::max(number, records.empty() ? 0 : records.rbegin()->first); ++i) {
    const std::string record = records.count(i) ? records[i] : "";
    if ((i <= number) != !record.empty()) contiguous = false;
    if (!record.empty()) names.push_back(record.substr(0, record.find('^')));
  }
  std::sort(names.begin(), names.end());
  return names;
}

constexpr const char* kSquare =
    "%%Creator: Adobe Illustrator(R) 3.2\n%%EndSetup\n0 0 0 1 k\n"
    "10 10 m\n30 10 l\n30 20 l\n10 20 l\nf\n";

// Starts every command at once and waits for all; true when all succeeded.
bool RunAtOnce(const test::TempFolder& home, const std::vector<std::vector<std::string>>& runs) {
  std::vector<pid_t> pids;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    std::vector<std::string> argv{NVX_BINARY};
    argv.insert(argv.end(), runs[i].begin(), runs[i].end());
    const std::filesystem::path log = home / ("log" + std::to_string(i));
    pids.push_back(
        test::StartProcess(argv, test::IsolatedEnv(home.path(), NVX_SHARE_DIR), log, log));
  }
  bool all = true;
  for (pid_t pid : pids) all = test::WaitForProcess(pid) == 0 && all;
  return all;
}

// Eight commands at once on one settings folder, round after round: two
// prints, two preset saves, two paper adds and two shape imports. Every paper
// and every shape each of them stored is there at the end.
TEST_F(PaperCommands, CommandsRunAtOnceLoseNoPaperAndNoShape) {
  const std::string outline = (home / "square.ai").string();
  test::WriteFileBytes(outline, kSquare);
  ASSERT_EQ(Run({"shape", "list"}).status, 0);  // the shipped library, before the rounds
  const std::size_t shipped = Run({"shape", "list"}).out.size();
  constexpr int kRounds = 5;
  std::vector<std::string> papers;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::vector<std::string>> runs;
    for (const std::string side : {"a", "b"}) {
      const std::string tag = std::to_string(round) + side;
      runs.push_back({"print", kPhoto, "--to", (home / ("job" + tag)).string()});
      runs.push_back({"preset", "save", (home / ("p" + tag + ".svcfg")).string()});
      runs.push_back(
          {"paper", "add", "P" + tag, "--width", "200", "--height", "300", "--unit", "mm"});
      runs.push_back({"shape", "import", outline, "--name", "S" + tag});
      papers.push_back("P" + tag);
    }
    ASSERT_TRUE(RunAtOnce(home, runs)) << "round " << round;
  }
  bool contiguous = false;
  std::sort(papers.begin(), papers.end());
  EXPECT_EQ(StoredPapers(Settings(), contiguous), papers);
  EXPECT_TRUE(contiguous) << Settings();
  const std::string shapes = Run({"shape", "list"}).out;
  EXPECT_EQ(std::count(shapes.begin(), shapes.end(), '\n') -
                std::count(shapes.begin(), shapes.begin() + shipped, '\n'),
            2 * kRounds)
      << shapes;
}

// Adds and removes at once leave Custom1 to Custom<Number> filled and nothing past it.
TEST_F(PaperCommands, AddsAndRemovesAtOnceKeepTheRecordsContiguous) {
  std::vector<std::string> kept;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(Run({"paper", "add", "Old" + std::to_string(i), "--width", "200", "--height", "300",
                   "--unit", "mm"})
                  .status,
              0);
  }
  for (int round = 0; round < 3; ++round) {
    std::vector<std::vector<std::string>> runs;
    for (int i = 0; i < 4; ++i) {
      const std::string name = "New" + std::to_string(round) + std::to_string(i);
      runs.push_back({"paper", "add", name, "--width", "200", "--height", "300", "--unit", "mm"});
      kept.push_back(name);
    }
    // Each round removes what the round before added (the first: the old sizes).
    for (int i = 0; i < 4; ++i) {
      runs.push_back({"paper", "remove",
                      round == 0 ? "Old" + std::to_string(i)
                                 : "New" + std::to_string(round - 1) + std::to_string(i)});
    }
    ASSERT_TRUE(RunAtOnce(home, runs)) << "round " << round;
    if (round > 0) kept.erase(kept.begin(), kept.begin() + 4);
    bool contiguous = false;
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(StoredPapers(Settings(), contiguous), expected) << "round " << round;
    EXPECT_TRUE(contiguous) << Settings();
  }
}

// A store that fails is an exit status of 1, and what was not stored is not
// shown as in force.
TEST_F(PaperCommands, AFailedStoreExitsWithOneAndShowsNoMargins) {
  ASSERT_EQ(Run({"margins"}).status, 0);
  std::filesystem::remove(home / "config/NivaluxPro/NivaluxPro.ini");
  std::filesystem::create_directory(home / "config/NivaluxPro/NivaluxPro.ini");
  test::CliResult margins = Run({"margins", "--top", "20", "--unit", "mm"});
  EXPECT_EQ(margins.status, 1);
  EXPECT_EQ(margins.out, "");
  EXPECT_NE(margins.err.find("Failed to write to:-"), std::string::npos) << margins.err;
  EXPECT_EQ(Run({"paper", "add", "Tee", "--width", "200", "--height", "300"}).status, 1);
  EXPECT_EQ(Run({"paper", "remove", "Tee"}).status, 2);
}

// A FIFO in place of the settings file holds no command up, nor the ones after it.
TEST_F(PaperCommands, AFifoInPlaceOfTheSettingsHangsNothing) {
  ASSERT_EQ(Run({"margins"}).status, 0);
  const std::filesystem::path settings = home / "config/NivaluxPro/NivaluxPro.ini";
  std::filesystem::remove(settings);
  ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
  const auto env = test::IsolatedEnv(home.path(), NVX_SHARE_DIR);
  test::CliResult print =
      test::RunNvxprintWithin({"print", kPhoto, "--to", (home / "job").string()}, env, 60);
  EXPECT_EQ(print.status, 0) << print.err;
  EXPECT_EQ(test::RunNvxprintWithin({"margins", "--top", "20"}, env, 60).status, 1);
  EXPECT_EQ(std::filesystem::status(settings).type(), std::filesystem::file_type::fifo);
}

}  // namespace
}  // namespace nvx
