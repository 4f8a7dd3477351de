#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <future>

#include "support/command.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

// A first run: an empty configuration folder and no machine-wide copy.
class BlankCommand : public testing::Test {
 protected:
  test::TempFolder home;
  std::vector<std::string> Env() const {
    return {"XDG_CONFIG_HOME=" + (home / "config").string(),
            "XDG_CONFIG_DIRS=" + (home / "etc").string(), "SOURCE_DATE_EPOCH=1765000000",
            "NVXPRINT_DATA_DIR=" NVX_SHARE_DIR};
  }
  test::CliResult Run(std::vector<std::string> args) const {
    return test::RunNvxprint(args, Env());
  }
};

TEST_F(BlankCommand, FirstRunCreatesSettingsAndGhostscriptPrintsOneBlankPage) {
  auto job = home / "blank.prn";
  auto result = Run({"blank", "--to", job.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  std::string settings = test::ReadFileBytes(home / "config" / "NivaluxPro" / "NivaluxPro.ini");
  EXPECT_NE(settings.find("Version=2.2"), std::string::npos) << settings;

  std::string bytes = test::ReadFileBytes(job);
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(bytes.starts_with("%!PS-Adobe-3.0\r\n"));
  EXPECT_NE(bytes.find("%%Title: Nivalux - blank\r\n"), std::string::npos);
  EXPECT_EQ(bytes.back(), '\x04');
  EXPECT_NE(bytes.find("beginimage\r\n" + std::string(2000, '\0') + "\r\ngrestore end"),
            std::string::npos);

  std::string log;
  auto raster = home / "page.cmyk";
  ASSERT_EQ(test::RenderJob(job, raster, log), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  std::string page = test::ReadFileBytes(raster);
  EXPECT_EQ(page.size(), 595u * 842u * 4u);
  EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](char c) { return c == 0; }));
}

TEST_F(BlankCommand, SameInputsGiveTheSameBytes) {
  ASSERT_EQ(Run({"blank", "--to", (home / "a.prn").string(), "--copies", "3"}).status, 0);
  ASSERT_EQ(Run({"blank", "--to", (home / "b.prn").string(), "--copies", "3"}).status, 0);
  EXPECT_EQ(test::ReadFileBytes(home / "a.prn"), test::ReadFileBytes(home / "b.prn"));
}

// --to writes into what is there: "-" is stdout, a FIFO (a pipe to the
// printer) gets the job and stays a FIFO, a link's target is replaced and the
// link kept, a full device is an error and stays the device.
TEST_F(BlankCommand, JobGoesIntoStdoutAFifoAndALinksTarget) {
  ASSERT_EQ(Run({"blank", "--to", (home / "file.prn").string()}).status, 0);
  const std::string job = test::ReadFileBytes(home / "file.prn");

  test::CliResult out = Run({"blank", "--to", "-"});
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.out, job);

  const auto fifo = home / "printer";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::future<std::string> received =
      std::async(std::launch::async, [&] { return test::ReadFileBytes(fifo); });
  EXPECT_EQ(Run({"blank", "--to", fifo.string()}).status, 0);
  EXPECT_EQ(received.get(), job);
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);

  std::filesystem::create_symlink("file.prn", home / "link.prn");
  std::filesystem::remove(home / "file.prn");
  EXPECT_EQ(Run({"blank", "--to", (home / "link.prn").string()}).status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(home / "link.prn"));
  EXPECT_EQ(test::ReadFileBytes(home / "file.prn"), job);

  const auto device = test::MakeFullDevice(home.path());
  if (device.empty()) GTEST_SKIP() << "no device can be made here";
  test::CliResult full = Run({"blank", "--to", device.string()});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
  EXPECT_TRUE(std::filesystem::is_character_file(device));
}

TEST_F(BlankCommand, OptionsReachTheJob) {
  auto job = home / "a3.prn";
  auto result = Run({"blank", "--to", job.string(), "--paper", "A3", "--tray", "Tray 1", "--media",
                     "Heavy", "--copies", "2", "--model", "Pro9420WT"});
  ASSERT_EQ(result.status, 0) << result.err;
  std::string bytes = test::ReadFileBytes(job);
  EXPECT_NE(bytes.find("%%BeginFeature: *PageRegion A3\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("%%BeginFeature: *InputSlot UPPER\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("%%BeginFeature: *OKMediaType HEAVY\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("%%BeginNonPPDFeature: NumCopies 2\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("%%BeginFeature: *OutputBin Rear\r\n"), std::string::npos);
}

// As in the window, where the tray is chosen before the medium: a medium that
// locks the tray list keeps the tray chosen, whatever the options' order.
TEST_F(BlankCommand, AMediumThatLocksTheTrayKeepsTheTrayChosen) {
  for (const char* media : {"Glossy", "Labels 1"}) {
    auto job = home / "locked.prn";
    auto result = Run(
        {"blank", "--to", job.string(), "--media", media, "--tray", "Tray 1", "--model", "C711WT"});
    ASSERT_EQ(result.status, 0) << media << ": " << result.err;
    std::string bytes = test::ReadFileBytes(job);
    EXPECT_NE(bytes.find("%%BeginFeature: *InputSlot UPPER\r\n"), std::string::npos) << media;
  }
}

struct BadOption {
  const char* name;
  std::vector<std::string> args;
  const char* mentions;  // the message names something the user may choose instead
};

// Test names show the case, not its bytes.
using test::PrintTo;

class BlankCommandRejects : public BlankCommand, public testing::WithParamInterface<BadOption> {};

TEST_P(BlankCommandRejects, WithStatusTwoAMessageAndNoFile) {
  auto job = home / "out.prn";
  std::vector<std::string> args{"blank", "--to", job.string()};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  auto result = Run(args);
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find(GetParam().mentions), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(job));
}

INSTANTIATE_TEST_SUITE_P(
    Options, BlankCommandRejects,
    testing::Values(BadOption{"UnknownPaper", {"--paper", "B9"}, "A5 SEF"},
                    BadOption{"A3OnAnA4Model", {"--paper", "A3"}, "A4XL 216x420mm"},
                    BadOption{"UnknownTray", {"--tray", "Tray 7"}, "MultiPurpose Tray"},
                    BadOption{"UnknownMedia", {"--media", "Cardboard"}, "KTC3.1+"},
                    BadOption{"CopiesNotANumber", {"--copies", "two"}, "copies"},
                    BadOption{"CopiesBelowOne", {"--copies", "0"}, "1 to 99"},
                    BadOption{"CopiesNegative", {"--copies", "-5"}, "1 to 99"},
                    BadOption{"CopiesAboveNinetyNine", {"--copies", "500"}, "1 to 99"},
                    BadOption{"TrayLockedByThePaper",
                              {"--paper", "A6 SEF", "--tray", "Tray 1"},
                              "MultiPurpose Tray"},
                    BadOption{"TrayLockedByThePaperWithAMedium",
                              {"--paper", "A4XL", "--media", "Glossy", "--tray", "Tray 1"},
                              "MultiPurpose Tray"},
                    BadOption{"UnknownModel", {"--model", "Nonsense"}, "Pro9420WT"},
                    BadOption{"UnknownOption", {"--colour"}, "colour"}),
    test::CaseName());

TEST(CommandLine, HelpAndVersionSucceed) {
  auto help = test::RunNvxprint({"--help"}, {});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("blank"), std::string::npos);
  auto blankHelp = test::RunNvxprint({"blank", "--help"}, {});
  EXPECT_EQ(blankHelp.status, 0);
  EXPECT_NE(blankHelp.out.find("--paper"), std::string::npos);
  EXPECT_EQ(test::RunNvxprint({"--version"}, {}).status, 0);
  EXPECT_EQ(test::RunNvxprint({"frobnicate"}, {}).status, 2);
}

// Each command's help lists what it takes: a preview goes to a picture file,
// never to a printer, and Qt's own options are none of the user's business.
TEST(CommandLine, HelpListsOnlyTheCommandsOwnOptions) {
  auto preview = test::RunNvxprint({"preview", "--help"}, {});
  ASSERT_EQ(preview.status, 0);
  EXPECT_NE(preview.out.find("--to <FILE>"), std::string::npos) << preview.out;
  EXPECT_EQ(preview.out.find("--printer"), std::string::npos) << preview.out;
  EXPECT_EQ(preview.out.find("instead of a printer"), std::string::npos) << preview.out;
  for (const char* command : {"print", "blank", "preview", "cost", "preset", "usb"}) {
    auto help = test::RunNvxprint({command, "--help"}, {});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.find("--help-all"), std::string::npos) << command << help.out;
    EXPECT_NE(help.out.find("-h, --help"), std::string::npos) << command << help.out;
  }
  EXPECT_NE(test::RunNvxprint({"print", "--help"}, {}).out.find("--printer"), std::string::npos);
  EXPECT_EQ(test::RunNvxprint({"print", "--help-all"}, {}).status, 2);
}

}  // namespace
}  // namespace nvx
