#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "support/command.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

class SheetCommand : public testing::Test {
 protected:
  test::TempFolder home;

  test::CliResult Run(const std::vector<std::string>& args) const {
    return test::RunNvxprint(args, test::IsolatedEnv(home.path(), NVX_SHARE_DIR));
  }

  // A small opaque design at 300 dpi.
  std::string Design(const char* name, int width, int height, QRgb colour) const {
    QImage png(width, height, QImage::Format_ARGB32);
    png.fill(colour);
    png.setDotsPerMeterX(11811);
    png.setDotsPerMeterY(11811);
    const std::string file = (home / name).string();
    EXPECT_TRUE(png.save(QString::fromStdString(file), "PNG"));
    return file;
  }
};

TEST_F(SheetCommand, ASavedSheetPrintsTheSameBytesAndTheUseOfTheAreaIsShown) {
  const std::string logo = Design("logo.png", 60, 60, qRgb(200, 20, 40));
  const std::string name = Design("name.png", 90, 30, qRgb(20, 60, 200));
  const auto first = home / "first.ps";
  const auto sheet = home / "sheet.json";
  test::CliResult made = Run({"sheet", logo + ":50mm:x2", name + ":x3", "--to", first.string(),
                              "--save-sheet", sheet.string()});
  ASSERT_EQ(made.status, 0) << made.err;
  // Two 50 mm squares and three 90 x 30 px (7.62 x 2.54 mm) names on A4's
  // 200.76 x 287.86 mm printable area.
  EXPECT_NE(made.out.find("1 sheet, printable area 201 x 288 mm"), std::string::npos) << made.out;
  EXPECT_NE(made.out.find("sheet 1: 5 copies, 8.8% of the printable area used"), std::string::npos)
      << made.out;

  // Moved with its designs, the sheet file still finds them beside it.
  const auto moved = home / "moved";
  std::filesystem::create_directory(moved);
  for (const char* file : {"logo.png", "name.png", "sheet.json"})
    std::filesystem::rename(home / file, moved / file);
  const auto again = home / "again.ps";
  test::CliResult reprinted =
      Run({"sheet", "--sheet", (moved / "sheet.json").string(), "--to", again.string()});
  ASSERT_EQ(reprinted.status, 0) << reprinted.err;
  EXPECT_EQ(test::ReadFileBytes(again), test::ReadFileBytes(first));
  test::CliResult priced = Run({"sheet", "--sheet", (moved / "sheet.json").string(), "--cost"});
  ASSERT_EQ(priced.status, 0) << priced.err;
  EXPECT_NE(priced.out.find("File \"Gang sheet\" printed"), std::string::npos) << priced.out;
  test::CliResult costed = Run({"cost", (moved / "sheet.json").string()});
  ASSERT_EQ(costed.status, 0) << costed.err;
  // The two reports were made a moment apart: their clocks may differ.
  const std::regex clock("on [0-9:]+ [0-9-]+ would");
  EXPECT_EQ(std::regex_replace(costed.out, clock, "on NOW would"),
            std::regex_replace(priced.out, clock, "on NOW would"));

  std::string log;
  ASSERT_EQ(test::RenderJob(first, home / "page.cmyk", log), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  // The packer starts in the printable area's corner, 13 points in from the
  // paper's left and top edges (one Ghostscript pixel a point).
  const std::string page = test::ReadFileBytes(home / "page.cmyk");
  ASSERT_GE(page.size(), 595u * 842 * 4);
  int left = 595, top = 842;
  for (int y = 0; y < 842; ++y) {
    for (int x = 0; x < 595; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * 595 + x) * 4;
      if (std::any_of(&page[at], &page[at + 4], [](char b) { return b != 0; })) {
        left = std::min(left, x);
        top = std::min(top, y);
      }
    }
  }
  EXPECT_EQ(left, 13);
  EXPECT_EQ(top, 13);
}

TEST_F(SheetCommand, ABadItemOrAnOptionForOneImageIsRefusedWithExitTwo) {
  const std::string logo = Design("logo.png", 10, 10, qRgb(0, 0, 0));
  for (const std::string& item :
       {logo + ":50", logo + ":x0", logo + ":50mm:60mm", logo + ":0x0mm"}) {
    test::CliResult refused = Run({"sheet", item, "--to", (home / "no.ps").string()});
    EXPECT_EQ(refused.status, 2) << item;
    EXPECT_NE(refused.err.find(item), std::string::npos) << refused.err;
  }
  test::CliResult tooBig = Run({"sheet", logo + ":500mm", "--to", (home / "no.ps").string()});
  EXPECT_EQ(tooBig.status, 2);
  EXPECT_NE(tooBig.err.find("logo.png"), std::string::npos) << tooBig.err;
  EXPECT_FALSE(std::filesystem::exists(home / "no.ps"));

  // print's options for one image's copies and turn are refused, and --help
  // does not offer them.
  test::CliResult rotated = Run({"sheet", logo, "--rotate", "--to", (home / "no.ps").string()});
  EXPECT_EQ(rotated.status, 2);
  const std::string help = Run({"sheet", "--help"}).out;
  EXPECT_NE(help.find("--mirror"), std::string::npos);
  for (const char* option : {"--rotate", "--crop", "--auto-tile", "--x-copies", "--pattern"})
    EXPECT_EQ(help.find(option), std::string::npos) << option;
}

TEST_F(SheetCommand, ItemsThatFillMoreThanOneSheetGoToNumberedJobsEachAWholeJob) {
  const std::string photo = Design("photo.png", 60, 60, qRgb(10, 150, 90));
  const auto out = home / "out.ps";
  const auto preview = home / "look.png";
  test::CliResult made = Run({"sheet", photo + ":150mm:x2", "--dpi", "100", "--to", out.string(),
                              "--preview", preview.string(), "--size", "200x283"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_NE(made.out.find("2 sheets"), std::string::npos) << made.out;
  EXPECT_FALSE(std::filesystem::exists(out));
  for (int n = 1; n <= 2; ++n) {
    const auto job = home / ("out-" + std::to_string(n) + ".ps");
    std::string log;
    ASSERT_EQ(test::RenderJob(job, home / "page.cmyk", log), 0) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    // The 150 mm square (resampled from 60 pixels) is inked at its place.
    const std::string page = test::ReadFileBytes(home / "page.cmyk");
    const auto inked = std::count_if(page.begin(), page.end(), [](char b) { return b != 0; });
    EXPECT_GT(inked, 4 * 400 * 400 / 2);
    QImage look(QString::fromStdString((home / ("look-" + std::to_string(n) + ".png")).string()));
    EXPECT_EQ(look.width(), 200) << n;
  }
  // Two previews cannot share stdout, and no file named after it is made.
  test::CliResult toStdout = Run({"sheet", photo + ":150mm:x2", "--dpi", "100", "--preview", "-",
                                  "--save-sheet", (home / "unsaved.json").string()});
  EXPECT_EQ(toStdout.status, 2);
  EXPECT_NE(toStdout.err.find("2 sheets"), std::string::npos) << toStdout.err;
  EXPECT_TRUE(toStdout.out.find("\x89PNG") == std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home / "unsaved.json"));
}

}  // namespace
}  // namespace nvx
