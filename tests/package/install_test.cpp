// Installs the build into a temporary prefix, as `cmake --install` lays it out
// for a package, and runs the installed program from there: it must find its
// data beside itself, so a missing install rule fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/named_case.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx::test {
namespace {

namespace fs = std::filesystem;

struct Output {
  int status = -1;
  std::string out;
  std::string err;
};

Output RunProgram(std::vector<std::string> argv, const std::vector<std::string>& env = {}) {
  TempFolder logs;
  Output result;
  result.status = WaitForProcess(StartProcess(argv, env, logs / "out", logs / "err"));
  result.out = ReadFileBytes(logs / "out");
  result.err = ReadFileBytes(logs / "err");
  return result;
}

class InstalledProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempFolder;
    Output install =
        RunProgram({NVX_CMAKE, "--install", NVX_BUILD_DIR, "--prefix", prefix_->path()});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }

  static fs::path Prefix() { return prefix_->path(); }

  // The installed program with a fresh user and machine folder, and no
  // NVXPRINT_DATA_DIR: its data must come from its own prefix.
  Output RunInstalled(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"/usr/bin/env", "-u", "NVXPRINT_DATA_DIR",
                                  (Prefix() / "bin" / "nvxprint").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, {"XDG_CONFIG_HOME=" + home_.path().string(),
                             "XDG_CONFIG_DIRS=" + (home_ / "machine").string()});
  }

  TempFolder home_;

 private:
  static TempFolder* prefix_;
};

TempFolder* InstalledProgram::prefix_ = nullptr;

TEST_F(InstalledProgram, PrintsTheSampleToAFile) {
  const fs::path job = home_ / "sample.prn";
  Output run = RunInstalled({"print", NVX_SOURCE_DATA_DIR "/sample.png", "--to", job.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(ReadFileBytes(job).starts_with("%!PS-Adobe-3.0"));
}

TEST_F(InstalledProgram, DecodesItsEnglishLanguageFileBackToTheTable) {
  Output run =
      RunInstalled({"lang", "decode", (Prefix() / "share/nvxprint/English.lan3").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, ReadFileBytes(NVX_SOURCE_DATA_DIR "/english.txt"));
}

TEST_F(InstalledProgram, ListsTheShapesOfTheInstalledMasterLibrary) {
  Output run = RunInstalled({"shape", "list"});
  ASSERT_EQ(run.status, 0) << run.err;
  // One shape a line, one for each of our Illustrator files the library is built from.
  std::size_t shapes = 0;
  for (const auto& entry : fs::directory_iterator(NVX_SOURCE_DATA_DIR "/shapes")) {
    shapes += entry.path().extension() == ".ai";
  }
  ASSERT_GT(shapes, 0u);
  EXPECT_EQ(static_cast<std::size_t>(std::ranges::count(run.out, '\n')), shapes) << run.out;
}

struct InstalledFile {
  std::string name;
  std::string path;
};

void PrintTo(const InstalledFile& file, std::ostream* os) { *os << file.path; }

class InstalledFiles : public InstalledProgram,
                       public ::testing::WithParamInterface<InstalledFile> {};

TEST_P(InstalledFiles, ArePresentAndNotEmpty) {
  const fs::path file = Prefix() / GetParam().path;
  ASSERT_TRUE(fs::is_regular_file(file)) << file;
  EXPECT_GT(fs::file_size(file), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    DesktopAndManual, InstalledFiles,
    ::testing::Values(InstalledFile{"DesktopEntry", "share/applications/nvxprint.desktop"},
                      InstalledFile{"Icon", "share/icons/hicolor/scalable/apps/nvxprint.svg"},
                      InstalledFile{"Metainfo",
                                    "share/metainfo/io.github.nvxprint.nvxprint.metainfo.xml"},
                      InstalledFile{"PresetMimeType", "share/mime/packages/nvxprint.xml"},
                      InstalledFile{"ManPage", "share/man/man1/nvxprint.1.gz"},
                      InstalledFile{"BashCompletion", "share/bash-completion/completions/nvxprint"},
                      InstalledFile{"UserManual", "share/nvxprint/manual/index.html"},
                      InstalledFile{"Copyright", "share/doc/nvxprint/copyright"}),
    CaseName());

// The options a help text lists, e.g. "--to" from "  --to <FILE>  Write the job ...".
std::set<std::string> ListedOptions(const std::string& help) {
  static const std::regex option(R"(^ +(?:-\w, )?(--[\w-]+))");
  std::set<std::string> options;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (std::smatch m; std::regex_search(line, m, option)) options.insert(m[1]);
  }
  return options;
}

std::vector<std::string> ListedCommands(const std::string& help) {
  std::vector<std::string> commands;
  std::istringstream lines(help.substr(help.find("Commands:\n") + 10));
  for (std::string line; std::getline(lines, line) && !line.empty();) {
    commands.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return commands;
}

// Roff writes each "-" of an option as "\-".
std::string InRoff(std::string text) { return std::regex_replace(text, std::regex("-"), "\\-"); }

// The part of the page from a command's heading to the next heading.
std::string CommandSection(const std::string& page, const std::string& command) {
  const std::size_t start = page.find(".SS \"nvxprint " + command + "\"\n");
  if (start == std::string::npos) return {};
  const std::size_t next = page.find("\n.S", start + 1);
  return page.substr(start, next == std::string::npos ? next : next - start);
}

TEST_F(InstalledProgram, ManPageHasEveryCommandAndOptionOfTheHelp) {
  const std::string page =
      RunProgram({"/bin/gzip", "-dc", (Prefix() / "share/man/man1/nvxprint.1.gz").string()}).out;
  ASSERT_FALSE(page.empty());
  Output main = RunInstalled({"--help"});
  const std::vector<std::string> commands = ListedCommands(main.out);
  ASSERT_GE(commands.size(), 9u);
  for (const std::string& option : ListedOptions(main.out)) {
    EXPECT_NE(page.find(InRoff(option)), std::string::npos) << option;
  }
  for (const std::string& command : commands) {
    const std::string section = CommandSection(page, command);
    ASSERT_FALSE(section.empty()) << command;
    Output help = RunInstalled({command, "--help"});
    ASSERT_EQ(help.status, 0) << command;
    const std::set<std::string> options = ListedOptions(help.out);
    EXPECT_FALSE(options.empty()) << command;
    for (const std::string& option : options) {
      EXPECT_NE(section.find(InRoff(option)), std::string::npos) << command << " " << option;
    }
  }
}

}  // namespace
}  // namespace nvx::test
