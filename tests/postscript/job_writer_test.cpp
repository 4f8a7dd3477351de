#include "postscript/job_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "job_test_support.h"
#include "postscript/number_text.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::Bytes;
using test::Crlf;
using test::JobBench;
using test::PatternImage;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(BlankSigned, WritesShortestDecimalWithSignPlace) {
  EXPECT_EQ(BlankSignedInteger(0), " 0");
  EXPECT_EQ(BlankSignedInteger(1234), " 1234");
  EXPECT_EQ(BlankSignedInteger(-3), "-3");
  EXPECT_EQ(BlankSignedNumber(72.0), " 72");
  EXPECT_EQ(BlankSignedNumber(595.28f), " 595.28");
  EXPECT_EQ(BlankSignedNumber(-12.25), "-12.25");
  EXPECT_EQ(BlankSignedNumber(0.05), " 0.05");
  EXPECT_EQ(BlankSignedNumber(1.0 / 3), " 0.3333333");
  EXPECT_EQ(BlankSignedNumber(1234567.8), " 1234568");
  EXPECT_EQ(BlankSignedNumber(123456789.0), " 123456800");
}

TEST(CreationDate, SourceDateEpochFixesTheDateInUtc) {
  ::setenv("SOURCE_DATE_EPOCH", "1781234567", 1);
  EXPECT_EQ(CreationDateNow(), "06-12-2026 03:22:47");
  ::setenv("SOURCE_DATE_EPOCH", "0", 1);
  EXPECT_EQ(CreationDateNow(), "01-01-1970 00:00:00");
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(CreationDateNow().size(), 19u);
}

struct CopiesCase {
  const char* name;
  std::string_view box;
  int count;
};

// Test names show the case, not its bytes.
using test::PrintTo;

class CopiesBlock : public testing::TestWithParam<CopiesCase> {};

TEST_P(CopiesBlock, CountIsHeldToOneToNinetyNineAndWrittenBack) {
  JobBench bench;
  bench.live.copies = CopiesCount(GetParam().box);
  const PrintJob job = BuildBlankJob(bench.env, bench.live);
  const int n = GetParam().count;
  EXPECT_EQ(bench.live.copies, n);
  if (n == 1) {
    EXPECT_FALSE(Has(job.header, "NumCopies"));
    return;
  }
  std::string token = "\x85";
  token += static_cast<char>(n);
  token.append(3, '\0');
  EXPECT_TRUE(
      Has(job.header, Crlf({"}featurecleanup", "", "featurebegin{",
                            "%%BeginNonPPDFeature: NumCopies " + std::to_string(n),
                            token + " /languagelevel where {pop languagelevel}{1} ifelse",
                            "2 ge { 1 dict dup /NumCopies 4 -1 roll put setpagedevice }{ userdict "
                            "/#copies 3 -1 roll put } ifelse",
                            "%%EndNonPPDFeature", "}featurecleanup", "", "featurebegin{",
                            "%%BeginFeature: *OKJob_Type Normal"})));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CopiesBlock,
    testing::Values(CopiesCase{"One", "1", 1}, CopiesCase{"Empty", "", 1},
                    CopiesCase{"Zero", "0", 1}, CopiesCase{"Two", "2", 2},
                    CopiesCase{"NinetyNine", "99", 99}, CopiesCase{"OneFifty", "150", 99},
                    CopiesCase{"ThreeHundred", "300", 99}, CopiesCase{"MinusFive", "-5", 1},
                    CopiesCase{"HalfRoundsToEven", "2.5", 2}, CopiesCase{"Huge", "1e300", 99}),
    test::CaseName());

TEST(JobTitle, DropsEveryProductPrefix) {
  EXPECT_EQ(JobTitle("Nivalux Pro - cat.png"), "cat.png");
  EXPECT_EQ(JobTitle("Nivalux Pro - "), "");
  EXPECT_EQ(JobTitle("Nivalux Pro - Nivalux Pro - a"), "a");
  JobBench bench;
  bench.live.caption = "Nivalux Pro - ";
  EXPECT_TRUE(Has(BuildPrintJob(bench.env, bench.live, PatternImage(2, 2)).header,
                  "\r\n%%Title: \r\n%%Creator: PScript5.dll Version 5.2.2\r\n"));
}

TEST(JobText, OnlyTheKnownLinesLackCrLf) {
  JobBench bench;
  bench.live.copies = 7;
  const PrintJob job = BuildPrintJob(bench.env, bench.live, PatternImage(3, 2));
  std::vector<std::string> bare;
  const std::string text = job.header + job.trailer;
  std::size_t start = 0;
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
    if (at == 0 || text[at - 1] != '\r') bare.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  EXPECT_EQ(bare, (std::vector<std::string>{"", "", "", "600 72 div 600 72 div scale"}));
  EXPECT_TRUE(Has(job.header,
                  "\r\nglobaldict /OK@NupNumber 1 put \r\n\nglobaldict "
                  "/OK@Orientation 0 put \r\n\nglobaldict /OK@ColorMono 2 put \r\n\n"
                  "%%BeginResource: file Pscript_WinNT_ErrorHandler 5.0 0\r\n"));
  EXPECT_TRUE(job.header.ends_with("\r\ncurrentdict end\r\nbeginimage\r\n"));
  EXPECT_TRUE(job.trailer.starts_with("\r\ngrestore end % Image Trailer grestore\r\n"));
  EXPECT_TRUE(job.trailer.ends_with("%%EOF\r\n\x1b%-12345X\x1b%-12345X@PJL EOJ\r\n"));
}

TEST(ImageProcedure, OnePixelImage) {
  JobBench bench;
  TiledImage image = PatternImage(1, 1);
  image.left = 70;
  image.top = 5;  // above the page origin: held at 0
  image.xPoint = 0.75f;
  image.yPoint = 1234.5678f;
  const PrintJob job = BuildPrintJob(bench.env, bench.live, std::move(image));
  EXPECT_TRUE(Has(job.header, Crlf({"gsave % Image Header gsave", "/rows  1 def", "/cols  1 def",
                                    " 57 0 translate", " 0.75 1234.568 scale"})));
  EXPECT_TRUE(Has(job.header, Crlf({"/picstr5  1 string def", "/_rowpadstr  1 string def"})));
  EXPECT_EQ(job.data.size(), 5u);
}

TEST(PrintJob, ImageDataMovesIntoTheJob) {
  JobBench bench;
  TiledImage image = PatternImage(40, 25);
  const std::uint8_t* pixels = image.data.data();
  const PrintJob job = BuildPrintJob(bench.env, bench.live, std::move(image));
  EXPECT_EQ(job.data.data(), pixels);
  EXPECT_EQ(Bytes(job),
            job.header + std::string(job.data.begin(), job.data.end()) + job.trailer + "\x04");
}

// Costing belongs to the print session: the writer makes the job whatever the
// statistics option says, and records nothing for it.
TEST(PrintJob, WritesOnlyTheJobAndReportsProgress) {
  JobBench bench;
  WriteSetting(bench.files, "Stats", "Option", "1");
  const PrintJob job = BuildPrintJob(bench.env, bench.live, PatternImage(40, 25));
  EXPECT_TRUE(job.ok());
  EXPECT_EQ(job.data.size(), 40u * 25 * 5);
  EXPECT_EQ(ReadSetting(bench.files, "Stats", "Xpixel"), "");
  EXPECT_EQ(bench.progress, (std::vector<int>{0, 0, 25, 75, 100}));
  EXPECT_EQ(bench.status, (std::vector<std::string>{"<<<<<    Creating print    >>>>>"}));
}

// A job whose rows are made while it is sent carries the bytes of the job made
// from the whole raster, plain or run-length encoded, however the rows arrive:
// runs and copies longer than the encoder's 128 bytes cross the pieces.
TEST(PrintJob, RowsMadeWhileSentGiveTheWholeRastersBytes) {
  TiledImage image = PatternImage(300, 4);
  std::fill_n(image.data.begin() + 100, 700, std::uint8_t{0});
  std::fill_n(image.data.begin() + 2000, 129, std::uint8_t{9});
  std::fill_n(image.data.begin() + 3000, 2, std::uint8_t{9});
  const std::string raster(image.data.begin(), image.data.end());
  for (bool compact : {false, true}) {
    JobBench bench;
    bench.live.compactRaster = compact;
    const std::string whole = Bytes(BuildPrintJob(bench.env, bench.live, image));
    for (std::size_t piece : {1u, 127u, 129u, 1000u}) {
      auto rows = [&](const platform::ByteSink& sink) {
        for (std::size_t at = 0; at < raster.size(); at += piece) {
          if (!sink(std::string_view(raster).substr(at, piece))) return false;
        }
        return true;
      };
      PrintJob job = BuildPrintJob(bench.env, bench.live, image, rows);
      EXPECT_TRUE(job.data.empty());
      EXPECT_EQ(Bytes(job), whole) << (compact ? "compact, " : "plain, ") << piece << "-byte rows";
    }
  }
}

TEST(BlankJob, DiffersFromThePrintJobOnlyWhereItShould) {
  JobBench bench;
  bench.live.paperName = "A4 SEF";
  const PrintJob job = BuildBlankJob(bench.env, bench.live);
  EXPECT_TRUE(job.ok());
  EXPECT_TRUE(Has(job.header, "%%Title: Nivalux - blank\r\n"));
  EXPECT_TRUE(Has(job.header,
                  Crlf({"/rows  20 def", "/cols  20 def", "268 393 translate", " 72 72 scale"})));
  EXPECT_TRUE(Has(job.header, "12.9997 829.0000 ] def"));
  EXPECT_EQ(job.data, RasterBytes(2000, 0));
  EXPECT_EQ(ReadSetting(bench.files, "Stats", "Xpixel"), "");
  EXPECT_EQ(bench.progress, (std::vector<int>{0, 0, 25, 75, 100}));
}

TEST(PrintJob, SameInputsGiveSameBytes) {
  JobBench bench;
  bench.env.creationDate.clear();
  ::setenv("SOURCE_DATE_EPOCH", "1781234567", 1);
  const std::string first = Bytes(BuildPrintJob(bench.env, bench.live, PatternImage(7, 3)));
  const std::string second = Bytes(BuildPrintJob(bench.env, bench.live, PatternImage(7, 3)));
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(first, second);
  EXPECT_TRUE(Has(first, "%%CreationDate: 06-12-2026 03:22:47\r\n"));
}

}  // namespace
}  // namespace nvx
