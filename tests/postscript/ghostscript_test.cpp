// Every job the writer produces is run through Ghostscript, as a printer's
// interpreter would run it: no PostScript error, and the planes on the page.
#include "support/ghostscript.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "job_test_support.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::JobBench;
using test::PatternImage;

struct GsRun {
  int exitCode = -1;
  std::string output;  // what the job printed on the back channel, and gs's own messages
  std::string raster;  // bitcmyk: 4 bytes C M Y K per pixel, rows top first, page after page
};

// Runs gs on the job; `around` wraps it in a check that the job leaves the
// operand and dictionary stacks as it found them.
GsRun RunGhostscript(const std::string& job, const std::vector<std::string>& extra = {},
                     bool around = false, const std::string& device = "bitcmyk") {
  test::TempFolder folder;
  test::WriteFileBytes(folder / "job.ps", job);
  test::WriteFileBytes(folder / "before.ps", "/@dicts countdictstack def /@ops count def\n");
  test::WriteFileBytes(folder / "after.ps",
                       "countdictstack @dicts eq count @ops eq and {(STACKS KEPT)} "
                       "{(STACKS CHANGED)} ifelse =\n");
  std::vector<std::filesystem::path> files{folder / "job.ps"};
  if (around) files = {folder / "before.ps", folder / "job.ps", folder / "after.ps"};
  const test::GhostscriptRun gs = test::RunGhostscript(files, folder / "page.raw", extra, device);
  GsRun run;
  run.exitCode = gs.status;
  run.output = gs.output;
  if (std::filesystem::exists(folder / "page.raw"))
    run.raster = test::ReadFileBytes(folder / "page.raw");
  return run;
}

void ExpectClean(const GsRun& run) {
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output.find("Error"), std::string::npos) << run.output;
}

// The page as the raster should print it: planes 1 to 4 of each image pixel
// as device C, M, Y, K at (left + x, top + y), nothing anywhere else.
std::string ExpectedPage(const TiledImage& image, int pageWidth, int pageHeight, int left,
                         int top) {
  std::string page(static_cast<std::size_t>(pageWidth) * pageHeight * 4, '\0');
  const int cols = image.xPixel;
  for (int y = 0; y < image.yPixel; ++y) {
    for (int x = 0; x < cols; ++x) {
      for (int plane = 0; plane < 4; ++plane) {
        page[((static_cast<std::size_t>(top + y) * pageWidth) + left + x) * 4 + plane] =
            static_cast<char>(image.data[(static_cast<std::size_t>(y) * 5 + plane) * cols + x]);
      }
    }
  }
  return page;
}

void ExpectPages(const std::string& raster, const std::string& page, int count) {
  ASSERT_EQ(raster.size(), page.size() * count);
  for (int p = 0; p < count; ++p) {
    const std::size_t diff =
        std::mismatch(page.begin(), page.end(), raster.begin() + p * page.size()).first -
        page.begin();
    EXPECT_EQ(diff, page.size()) << "page " << p + 1 << ": first wrong byte at pixel " << diff / 4;
  }
}

struct PrintCase {
  const char* name;
  int cols, rows;
  std::string_view paperName;
  int width, height;
  bool customSize;  // the printer is loaded with this paper; gs has no custom page support
  std::string_view tray;
  std::string_view copies;
  int pages;
  std::string_view model;
  int left, top;  // the grid's distance from the page edges, points
};

// Test names show the case, not its bytes.
using test::PrintTo;

class GhostscriptPrint : public testing::TestWithParam<PrintCase> {};

TEST_P(GhostscriptPrint, PlanesLandOnThePageAsCmyk) {
  const PrintCase& c = GetParam();
  JobBench bench;
  bench.env.modelKey = c.model;
  bench.live.paperName = c.paperName;
  bench.live.paperWidthPt = c.width;
  bench.live.paperHeightPt = c.height;
  bench.live.paperTray = c.tray;
  bench.live.copies = CopiesCount(c.copies);
  TiledImage image = PatternImage(c.cols, c.rows);
  image.left = c.left;
  image.top = c.top;
  const std::string page = ExpectedPage(image, c.width, c.height, c.left, c.top);
  const PrintJob job = BuildPrintJob(bench.env, bench.live, std::move(image));
  std::vector<std::string> media;
  if (c.customSize) {
    media = {"-dDEVICEWIDTHPOINTS=" + std::to_string(c.width),
             "-dDEVICEHEIGHTPOINTS=" + std::to_string(c.height), "-dFIXEDMEDIA"};
  }
  const GsRun run = RunGhostscript(test::Bytes(job), media, true);
  ExpectClean(run);
  EXPECT_NE(run.output.find("STACKS KEPT"), std::string::npos) << run.output;
  ExpectPages(run.raster, page, c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, GhostscriptPrint,
    testing::Values(
        PrintCase{"OnePixelA4Auto", 1, 1, "A4", 595, 842, false, "AUTO", "1", 1, "C711WT", 13, 13},
        PrintCase{"SevenByThreeA3Tray1TwoCopies", 7, 3, "A3", 842, 1191, false, "Tray 1", "2", 2,
                  "C920WT", 100, 50},
        PrintCase{"FortyByTwentyFiveA5MultiPurpose", 40, 25, "A5 SEF", 420, 595, false,
                  "MultiPurpose Tray", "1", 1, "Pro9420WT", 30, 200},
        PrintCase{"A6NinetyNineCopies", 10, 10, "A6 SEF", 297, 420, false, "Tray 2", "99", 99,
                  "Pro8432WT", 20, 20},
        PrintCase{"A4SefCustom", 5, 5, "A4 SEF", 595, 842, true, "AUTO", "1", 1, "C711WT", 13, 400},
        PrintCase{"A4BC", 12, 4, "A4BC 2", 612, 907, true, "Tray 1", "1", 1, "C711WT", 300, 880},
        PrintCase{"A4XL", 12, 4, "A4XL 2", 612, 1191, true, "AUTO", "1", 1, "C711WT", 50, 1100},
        PrintCase{"Custom612x1008", 9, 6, "Poster", 612, 1008, true, "AUTO", "1", 1, "C711WT", 500,
                  990}),
    test::CaseName());

class GhostscriptMedia : public testing::TestWithParam<int> {};

TEST_P(GhostscriptMedia, EveryMediaCodeRuns) {
  JobBench bench;
  bench.live.paperName = "A6 SEF";
  bench.live.paperWidthPt = 297;
  bench.live.paperHeightPt = 420;
  bench.live.mediaCode = GetParam();
  bench.live.mediaType = "Unlisted";  // keeps the stored number above 12
  TiledImage image = PatternImage(3, 2);
  image.left = 40;
  image.top = 60;
  const std::string page = ExpectedPage(image, 297, 420, 40, 60);
  const GsRun run =
      RunGhostscript(test::Bytes(BuildPrintJob(bench.env, bench.live, std::move(image))));
  ExpectClean(run);
  ExpectPages(run.raster, page, 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, GhostscriptMedia, testing::Range(0, 31));

TEST(GhostscriptBlank, PrintsAnEmptySheet) {
  JobBench bench;
  bench.live.paperName = "A4 SEF";
  const GsRun run = RunGhostscript(test::Bytes(BuildBlankJob(bench.env, bench.live)), {}, true);
  ExpectClean(run);
  EXPECT_NE(run.output.find("STACKS KEPT"), std::string::npos) << run.output;
  ASSERT_EQ(run.raster.size(), 595u * 842u * 4u);
  EXPECT_EQ(run.raster.find_first_not_of('\0'), std::string::npos);
}

TEST(GhostscriptMonochrome, GrayDevicePrintsPlaneFive) {
  JobBench bench;
  TiledImage image = PatternImage(4, 2);
  image.left = 113;
  image.top = 113;
  const std::uint8_t plane5 = image.data[4 * 4];  // row 0, plane 5, column 0
  const GsRun run = RunGhostscript(
      test::Bytes(BuildPrintJob(bench.env, bench.live, std::move(image))), {}, false, "pgmraw");
  ExpectClean(run);
  const std::size_t pixels = run.raster.size() - 595u * 842u;  // the header before the pixels
  EXPECT_EQ(static_cast<std::uint8_t>(run.raster[pixels + 113 * 595 + 113]), plane5);
  EXPECT_EQ(static_cast<std::uint8_t>(run.raster[pixels + 112 * 595 + 113]), 255);  // white paper
}

// Transfer artwork: an empty raster with one patterned block in its middle.
TiledImage EmptyAreas(int cols, int rows) {
  TiledImage image = PatternImage(cols, rows);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < cols; ++x) {
      if (y > rows / 3 && y < rows / 2 && x > cols / 4 && x < cols / 2) continue;
      for (int plane = 0; plane < 5; ++plane) image.data[(y * 5 + plane) * cols + x] = 0;
    }
  }
  return image;
}

// Noise, as a photograph's planes look byte by byte.
TiledImage PhotographLike(int cols, int rows) {
  TiledImage image = PatternImage(cols, rows);
  std::uint32_t seed = 4711;
  for (std::uint8_t& b : image.data) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return image;
}

// Repeats and unrepeated stretches of every length around the limits of the
// encoding (1 to 3, 127 to 130, 255 to 257 bytes).
TiledImage RunsOfEveryLength(int cols, int rows) {
  TiledImage image = PatternImage(cols, rows);
  const int lengths[] = {1, 2, 3, 127, 128, 129, 130, 255, 256, 257};
  std::size_t at = 0;
  std::uint8_t value = 0;
  for (int repeat = 0; at < image.data.size(); repeat ^= 1) {
    for (int length : lengths) {
      for (int i = 0; i < length && at < image.data.size(); ++i)
        image.data[at++] = repeat ? value : static_cast<std::uint8_t>(value + i * 3 + 1);
      value = static_cast<std::uint8_t>(value + 101);
    }
  }
  return image;
}

TiledImage OnePixel(int, int) { return PatternImage(1, 1); }

struct CompactCase {
  const char* name;
  TiledImage (*make)(int cols, int rows);
  int cols, rows;
};

class GhostscriptCompact : public testing::TestWithParam<CompactCase> {};

// The run-length encoded rows print the same pixels as the plain ones, in
// colour and on a gray device, and leave the job's text readable behind them.
TEST_P(GhostscriptCompact, PrintsThePixelsOfThePlainJob) {
  const CompactCase& c = GetParam();
  for (const char* device : {"bitcmyk", "pgmraw"}) {
    std::string raster[2];
    for (int compact = 0; compact < 2; ++compact) {
      JobBench bench;
      bench.live.compactRaster = compact != 0;
      bench.live.copies = 2;
      TiledImage image = c.make(c.cols, c.rows);
      image.left = 40;
      image.top = 60;
      const GsRun run = RunGhostscript(
          test::Bytes(BuildPrintJob(bench.env, bench.live, std::move(image))), {}, true, device);
      ExpectClean(run);
      EXPECT_NE(run.output.find("STACKS KEPT"), std::string::npos) << run.output;
      raster[compact] = run.raster;
    }
    ASSERT_FALSE(raster[0].empty()) << device;
    EXPECT_TRUE(raster[1] == raster[0]) << device << ": the compact job's page differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Rasters, GhostscriptCompact,
                         testing::Values(CompactCase{"EmptyAreas", EmptyAreas, 300, 200},
                                         CompactCase{"PhotographLike", PhotographLike, 257, 131},
                                         CompactCase{"RunsOfEveryLength", RunsOfEveryLength, 211,
                                                     47},
                                         CompactCase{"OnePixel", OnePixel, 1, 1}),
                         test::CaseName());

// The job's prologue, then the given PostScript in place of the setup.
std::string PrologueThen(const std::string& tail) {
  JobBench bench;
  const PrintJob job = BuildPrintJob(bench.env, bench.live, PatternImage(1, 1));
  const std::string end = "%%EndProlog\r\n";
  return job.header.substr(0, job.header.find(end) + end.size()) + tail;
}

TEST(GhostscriptErrors, ErrorIsReportedAndTheRestOfTheJobDropped) {
  const GsRun run =
      RunGhostscript(PrologueThen("nosuchcommand (STILL RUNNING) =\n\x85\x01 binary\n"));
  EXPECT_NE(run.output.find("%%[ Error: undefined; OffendingCommand: nosuchcommand ]%%"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("STILL RUNNING"), std::string::npos);
}

TEST(GhostscriptErrors, LowMemoryPrintsAdviceAndStopsTheJob) {
  const GsRun run =
      RunGhostscript(PrologueThen("{2147483647 PrtVMMsg (STILL RUNNING) =} stopped pop\n"));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output.find("%%[ Error"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("%%[ PrinterError: Low Printer VM ]%%"), std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("STILL RUNNING"), std::string::npos);
  std::size_t black = 0;
  for (std::size_t at = 3; at < run.raster.size(); at += 4) black += run.raster[at] != 0;
  EXPECT_GT(black, 1000u);  // the advice text, in black
}

}  // namespace
}  // namespace nvx
