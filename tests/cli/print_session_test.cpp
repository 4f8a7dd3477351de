#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "cli/image_options.h"
#include "job/delivery.h"
#include "job/image_document.h"
#include "support/command.h"
#include "support/fresh_config.h"
#include "support/named_case.h"
#include "support/temp_folder.h"
#include "support/vector_artwork.h"

namespace nvx {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee120.tif";

struct PrintCase {
  const char* name;
  std::vector<std::string> args;
};

// Test names show the case, not its bytes.
using test::PrintTo;

// Everything one print makes: the planes the separation gives, and the job.
struct PrintOutcome {
  std::vector<std::uint8_t> planes;  // the image's rows of five planes
  int width = 0;
  int height = 0;
  Placement placement;
  std::string jobFile;
};

class PrintFixture : public testing::Test {
 protected:
  test::TempFolder home;

  void SetUp() override {
    test::UseFreshConfig(home);
    setenv("SOURCE_DATE_EPOCH", "1765000000", 1);
  }

  std::vector<std::string> Environment() const {
    return {"XDG_CONFIG_HOME=" + (home / "config").string(),
            "XDG_CONFIG_DIRS=" + (home / "etc").string(), "NVXPRINT_DATA_DIR=" NVX_SHARE_DIR,
            "SOURCE_DATE_EPOCH=1765000000"};
  }

  // The print command's options and its steps up to the job, in process.
  static void Open(const std::vector<std::string>& args, const std::string& image,
                   app::CliSession& session, ImageDocument& document) {
    app::CommandOptions options("print", "");
    options.AddPositional("IMAGE", "");
    app::AddImageOptions(options);
    std::vector<std::string> words = args;
    words.push_back(image);
    EXPECT_EQ(options.Parse("print", words), std::nullopt);
    EXPECT_EQ(app::OpenCliSession(session, options.Value("model")), 0);
    EXPECT_EQ(app::ApplyOptionsBeforeLoad(session, options), 0);
    EXPECT_EQ(app::OpenForCommand(session, document, options, image, 310, 438), 0);
  }

  // The print command's steps, in process, keeping the separated planes.
  PrintOutcome Print(const std::vector<std::string>& args, const std::string& image = kPhoto) {
    app::CliSession session;
    ImageDocument path;
    Open(args, image, session, path);

    PrintOutcome outcome;
    OrientedImage grid = path.grid;
    SeparationOptions separation;
    separation.foil = IsFoilMedia(session.live, session.text);
    separation.blackFuzzy = session.Settings().blackFuzzy;
    Result<SeparatedPlanes> separated =
        SeparateImage(grid, path.table, session.live, separation, {});
    EXPECT_TRUE(separated.ok());
    if (separated) outcome.planes.assign(separated->begin(), separated->end());
    outcome.width = path.grid.workWidthPx;
    outcome.height = path.grid.workHeightPx;
    outcome.placement = path.placement;

    Result<PrintJob> job = BuildImageJob(session, path, false);
    EXPECT_TRUE(job.ok());
    outcome.jobFile = (home / "job.prn").string();
    std::vector<std::uint8_t> bytes = job ? SpoolBytes(*job) : std::vector<std::uint8_t>{};
    test::WriteFileBytes(
        outcome.jobFile,
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return outcome;
  }

  // Opens `image` as the print command does, to be printed from the
  // decoder's pixels in bands of `bandRows` rows.
  void OpenStreamed(const std::vector<std::string>& args, const std::string& image, int bandRows,
                    app::CliSession& session, ImageDocument& document) {
    document.streamPrint = true;
    document.streamBandRows = bandRows;
    Open(args, image, session, document);
    EXPECT_TRUE(document.decoded) << "not read in place";
  }

  // The job the command line makes from the decoder's pixels, in bands of
  // `bandRows` rows.
  std::string StreamedJob(const std::vector<std::string>& args, const std::string& image,
                          int bandRows) {
    app::CliSession session;
    ImageDocument document;
    OpenStreamed(args, image, bandRows, session, document);
    Result<PrintJob> job = BuildImageJob(session, document, true);
    if (!job) return "refused: " + job.failure().message;
    std::vector<std::uint8_t> bytes = SpoolBytes(*job);
    return std::string(bytes.begin(), bytes.end());
  }
};

int Occurrences(const std::string& text, std::string_view part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

class PrintSessionPhoto : public PrintFixture, public testing::WithParamInterface<PrintCase> {};
class PrintCommand : public PrintFixture {};

// Ghostscript prints every copy's planes 1 to 4 as C, M, Y and K at the place
// the layout chose, one image pixel a device pixel, and nothing anywhere else.
TEST_P(PrintSessionPhoto, GhostscriptPutsTheSeparatedPlanesWhereTheLayoutSays) {
  PrintOutcome print = Print(GetParam().args);
  ASSERT_GT(print.width, 0);
  std::string log;
  auto raster = home / "page.cmyk";
  ASSERT_EQ(test::RenderJob(print.jobFile, raster, log), 0) << log;
  ASSERT_EQ(log.find("Error"), std::string::npos) << log;
  const int pageWidth = 595;
  const std::size_t pageBytes = static_cast<std::size_t>(pageWidth) * 842 * 4;
  std::string page = test::ReadFileBytes(raster);
  ASSERT_GE(page.size(), pageBytes);
  ASSERT_EQ(page.size() % pageBytes, 0u);  // one page a copy
  page.resize(pageBytes);

  const Placement& place = print.placement;
  const int w = print.width;
  std::size_t inked = 0;
  std::size_t mismatches = 0;
  for (int copyRow = 0; copyRow < place.nY; ++copyRow) {
    for (int copyCol = 0; copyCol < place.nX; ++copyCol) {
      const int x0 = place.left + copyCol * (w + place.gapX);
      const int y0 = place.top + copyRow * (print.height + place.gapY);
      for (int row = 0; row < print.height; ++row) {
        const std::uint8_t* planes = &print.planes[static_cast<std::size_t>(row) * w * 5];
        for (int col = 0; col < w; ++col) {
          const std::size_t at = (static_cast<std::size_t>(y0 + row) * pageWidth + x0 + col) * 4;
          for (int p = 0; p < 4; ++p) {
            const auto expected = planes[p * w + col];
            inked += expected != 0;
            mismatches += static_cast<std::uint8_t>(page[at + p]) != expected;
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
  std::size_t onPage = 0;
  for (char byte : page) onPage += byte != 0;
  EXPECT_EQ(onPage, inked) << "ink outside the copies";
  EXPECT_GT(inked, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Photograph, PrintSessionPhoto,
    testing::Values(
        PrintCase{"Defaults", {}}, PrintCase{"TransferMediaWithWhite", {"--media", "P.Uno White"}},
        PrintCase{
            "WhiteFirst",
            {"--model", "Pro8432WT", "--toner-order", "WF", "--print-white", "--no-print-cmy"}},
        PrintCase{"Rotated", {"--rotate", "--print-white"}},
        PrintCase{"MirroredAndRotated", {"--mirror", "--rotate"}}, PrintCase{"Flipped", {"--flip"}},
        PrintCase{"FlippedAndMirrored", {"--flip", "--mirror", "--print-white"}},
        PrintCase{"CopiesGrid", {"--x-copies", "3", "--y-copies", "2", "--copies", "2"}},
        PrintCase{"Foil", {"--media", "P.Foil"}}),
    test::CaseName());

TEST_F(PrintCommand, CommandLineWritesTheSameBytesAsTheWindowsPrintPath) {
  PrintOutcome print = Print({"--media", "P.Uno White", "--x-copies", "2"});
  const std::string inProcess = test::ReadFileBytes(print.jobFile);
  auto cli = home / "cli.prn";
  auto result = test::RunNvxprint(
      {"print", kPhoto, "--to", cli.string(), "--media", "P.Uno White", "--x-copies", "2"},
      Environment());
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(test::ReadFileBytes(cli), inProcess);
}

// The command line makes the job's rows while it sends them: the job is the
// one the whole page gives, with copies both ways, a white choke, mirror and
// turn, and in the compact encoding.
TEST_F(PrintCommand, RowsMadeWhileSentAreTheWholePageJob) {
  const std::vector<std::vector<std::string>> cases = {
      {"--x-copies", "2", "--y-copies", "2", "--print-white", "--white-choke", "2"},
      {"--mirror", "--rotate", "--print-white", "--white-choke", "1.5", "--compact"}};
  for (const std::vector<std::string>& args : cases) {
    const std::string inProcess = test::ReadFileBytes(Print(args).jobFile);
    auto cli = home / "cli.prn";
    std::vector<std::string> command{"print", kPhoto, "--to", cli.string()};
    command.insert(command.end(), args.begin(), args.end());
    auto result = test::RunNvxprint(command, Environment());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadFileBytes(cli), inProcess) << args.front();
  }
}

// A print made band by band from the decoder's pixels is the whole-page job,
// byte for byte, whatever the bands' height: copies both ways, a white choke
// reaching past several bands, mirror, turn and flip, an Exif-turned JPEG,
// background removal and the compact encoding.
TEST_F(PrintCommand, BandsMadeFromTheDecodersPixelsAreTheWholePageJob) {
  const std::string turned = (home / "turned.jpg").string();
  const std::string transverse = (home / "transverse.jpg").string();
  const std::string photo = NVX_TEST_DATA_DIR "/photos/coffee60.jpg";
  for (const auto& [file, orientation] : {std::pair{turned, 6}, std::pair{transverse, 7}}) {
    std::filesystem::copy_file(photo, file);
    ASSERT_EQ(std::system(("exiftool -q -overwrite_original -n -Orientation=" +
                           std::to_string(orientation) + " '" + file + "'")
                              .c_str()),
              0);
  }
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--x-copies", "2", "--y-copies", "2", "--print-white", "--white-choke", "2"}, kPhoto},
      {{"--mirror", "--rotate", "--print-white", "--white-choke", "1.5", "--compact"}, turned},
      {{"--flip", "--print-white", "--white-choke", "2", "--background-removal"}, transverse},
      {{"--rotate", "--media", "P.Uno White"}, photo}};
  for (const auto& [args, image] : cases) {
    const std::string whole = test::ReadFileBytes(Print(args, image).jobFile);
    for (int bandRows : {3, 0}) {
      const std::string streamed = StreamedJob(args, image, bandRows);
      EXPECT_TRUE(streamed == whole)
          << args.front() << " in bands of " << bandRows << ": " << streamed.substr(0, 120);
    }
  }
}

// The decoder's rows are asked for before they are read; when they fail to
// come after the job has begun, the job file is not left half-written and an
// earlier one stays as it was.
TEST_F(PrintCommand, RowsThatFailToComeAfterTheJobBeganLeaveNoJobFile) {
  app::CliSession session;
  ImageDocument document;
  OpenStreamed({"--print-white"}, kPhoto, 8, session, document);
  ASSERT_TRUE(document.decoded);
  int asked = 0;
  document.decoded->awaitRows = [&asked](int rows) -> Status {
    ++asked;
    if (rows > 40) return Fail("the decoder stopped");
    return {};
  };
  Result<PrintJob> job = BuildImageJob(session, document, true);
  ASSERT_TRUE(job.ok()) << job.failure().message;
  const auto file = home / "job.prn";
  test::WriteFileBytes(file.string(), "an earlier job");
  auto entries = [&] {
    auto all = std::filesystem::directory_iterator(home.path());
    return std::distance(begin(all), end(all));
  };
  const auto before = entries();
  Status written = WriteJobFile(file.string(), *job);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.failure().message, "the decoder stopped");
  EXPECT_EQ(test::ReadFileBytes(file), "an earlier job");
  EXPECT_EQ(entries(), before) << "a temporary file left beside the job";
  EXPECT_GT(asked, 2);
}

// The pixels a print reads for the last time are given back as its bands go:
// the job cannot be sent again, and says so rather than send a blank image.
TEST_F(PrintCommand, AJobReadFromTheDecodersPixelsGoesOutOnce) {
  app::CliSession session;
  ImageDocument document;
  OpenStreamed({"--print-white"}, kPhoto, 8, session, document);
  Result<PrintJob> job = BuildImageJob(session, document, true);
  ASSERT_TRUE(job.ok()) << job.failure().message;
  const auto first = home / "first.prn";
  const auto again = home / "again.prn";
  ASSERT_TRUE(WriteJobFile(first.string(), *job).ok());
  EXPECT_EQ(test::ReadFileBytes(first), test::ReadFileBytes(Print({"--print-white"}).jobFile));
  EXPECT_FALSE(WriteJobFile(again.string(), *job).ok());
  EXPECT_FALSE(std::filesystem::exists(again));
}

// The decoder runs beside the job's rows. A file that says it holds no
// transparency and breaks off half-way is refused with the decoder's reason
// once, leaves no job file, and gives a pipe not one byte.
TEST_F(PrintCommand, AnImageThatBreaksOffHalfWayMakesNoJob) {
  QImage noise(600, 400, QImage::Format_RGB32);
  std::uint32_t state = 12345;
  for (int y = 0; y < noise.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(noise.scanLine(y));
    for (int x = 0; x < noise.width(); ++x)
      row[x] = qRgb(x % 256, y % 256, (state *= 1103515245u) >> 24);
  }
  const auto whole = home / "whole.png";
  ASSERT_TRUE(noise.save(QString::fromStdString(whole.string()), "PNG"));
  const std::string bytes = test::ReadFileBytes(whole);
  const auto broken = home / "broken.png";
  test::WriteFileBytes(broken.string(), bytes.substr(0, bytes.size() / 2));

  const auto job = home / "job.prn";
  auto toFile = test::RunNvxprint({"print", broken.string(), "--to", job.string()}, Environment());
  EXPECT_NE(toFile.status, 0);
  EXPECT_EQ(Occurrences(toFile.err, "LIB PNG ERROR"), 1) << toFile.err;
  EXPECT_FALSE(std::filesystem::exists(job));
  auto toPipe = test::RunNvxprint({"print", broken.string(), "--to", "-"}, Environment());
  EXPECT_NE(toPipe.status, 0);
  EXPECT_EQ(toPipe.out, "");
  EXPECT_EQ(Occurrences(toPipe.err, "LIB PNG ERROR"), 1) << toPipe.err;

  auto made = test::RunNvxprint({"print", whole.string(), "--to", job.string()}, Environment());
  EXPECT_EQ(made.status, 0) << made.err;
}

// A print refused because nothing would receive toner sends nothing: the job
// file an earlier print left at the --to path stays as it was.
TEST_F(PrintCommand, ARefusedPrintLeavesAnEarlierJobFileAlone) {
  auto job = home / "job.prn";
  test::WriteFileBytes(job.string(), "an earlier job");
  auto result = test::RunNvxprint(
      {"print", kPhoto, "--to", job.string(), "--no-print-cmy", "--no-print-white"}, Environment());
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(Occurrences(result.err, "would receive toner"), 1) << result.err;
  EXPECT_EQ(test::ReadFileBytes(job), "an earlier job");
}

// Margins a medium sets for its own job never reach the settings file, so an
// interrupted or concurrent run cannot leave them behind as the user's.
TEST_F(PrintCommand, DarkFoilMarginsHoldOnlyForTheRun) {
  {
    app::CliSession session;
    ASSERT_EQ(app::OpenCliSession(session, ""), 0);
    session.text.Set(198, "P.Foil dark");
    session.mediaList.push_back("P.Foil dark");
    ASSERT_TRUE(ChooseMedia(session, "P.Foil dark").ok());
    EXPECT_EQ(session.Settings().margins.top, 3855);
  }
  const std::string stored = test::ReadFileBytes(home / "config" / "NivaluxPro" / "NivaluxPro.ini");
  EXPECT_NE(stored.find("Top Margin=1296"), std::string::npos) << stored;
  EXPECT_EQ(stored.find("3855"), std::string::npos) << stored;
}

// A single red pixel is an image like any other: printed, previewed and priced.
TEST_F(PrintCommand, OnePixelImagePrintsPreviewsAndCosts) {
  const std::string image = NVX_TEST_DATA_DIR "/images/onepixel.png";
  auto job = home / "job.prn";
  auto printed = test::RunNvxprint({"print", image, "--to", job.string()}, Environment());
  ASSERT_EQ(printed.status, 0) << printed.err;
  std::string log;
  ASSERT_EQ(test::RenderJob(job, home / "page.cmyk", log), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  // Its inks are in the job's image data (a pixel of 1/300 inch covers no
  // pixel of Ghostscript's 72 dpi page): red is magenta and yellow at least.
  const std::string bytes = test::ReadFileBytes(job);
  const std::size_t data = bytes.find("beginimage\r\n");
  ASSERT_NE(data, std::string::npos);
  const std::string_view imageData =
      std::string_view(bytes).substr(data + 12, bytes.find("\r\ngrestore end", data) - data - 12);
  EXPECT_GE(std::count_if(imageData.begin(), imageData.end(), [](char b) { return b != 0; }), 2);

  auto preview = home / "preview.png";
  auto previewed = test::RunNvxprint({"preview", image, "--to", preview.string()}, Environment());
  EXPECT_EQ(previewed.status, 0) << previewed.err;
  EXPECT_TRUE(std::filesystem::exists(preview));
  auto costed = test::RunNvxprint({"cost", image}, Environment());
  EXPECT_EQ(costed.status, 0) << costed.err;
}

// The sample photograph's compact job prints the page of the plain job in
// fewer bytes, and is priced by the rows the printer decodes from it.
TEST_F(PrintCommand, CompactJobPrintsAndCostsAsThePlainJob) {
  std::filesystem::create_directories(home / "config" / "NivaluxPro");
  test::WriteFileBytes(home / "config" / "NivaluxPro" / "NivaluxPro.ini",
                       "[Stats]\r\nOption=2\r\n");
  const std::string sample = NVX_TEST_DATA_DIR "/../../data/sample.png";
  std::string page[2], cost[2];
  std::uintmax_t size[2] = {};
  for (int compact = 0; compact < 2; ++compact) {
    const auto job = home / "job.prn";
    std::vector<std::string> args{"print", sample, "--to", job.string()};
    if (compact) args.push_back("--compact");
    auto printed = test::RunNvxprint(args, Environment());
    ASSERT_EQ(printed.status, 0) << printed.err;
    cost[compact] = printed.out;
    const std::size_t time = cost[compact].find(" on ", cost[compact].find("printed at"));
    if (time != std::string::npos) cost[compact].erase(time, 24);  // " on 23:38:16 2026-12-08"
    size[compact] = std::filesystem::file_size(job);
    std::string log;
    ASSERT_EQ(test::RenderJob(job, home / "page.cmyk", log), 0) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    page[compact] = test::ReadFileBytes(home / "page.cmyk");
  }
  EXPECT_TRUE(page[1] == page[0]) << "the compact job prints another page";
  EXPECT_LT(size[1], size[0]);
  EXPECT_FALSE(cost[0].empty());
  EXPECT_EQ(cost[1], cost[0]);
}

// The inked pixels of one 72 dpi page of a job, and their extent.
struct InkedArea {
  int pixels = 0;
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  std::array<int, 4> centre{-1, -1, -1, -1};  // C, M, Y, K at the middle of the extent
};
InkedArea FindInk(const std::string& page, int width) {
  InkedArea ink;
  for (std::size_t at = 0; at + 4 <= page.size(); at += 4) {
    if (!page[at] && !page[at + 1] && !page[at + 2] && !page[at + 3]) continue;
    const int x = static_cast<int>(at / 4) % width;
    const int y = static_cast<int>(at / 4) / width;
    ++ink.pixels;
    ink.left = std::min(ink.left, x);
    ink.right = std::max(ink.right, x);
    ink.top = std::min(ink.top, y);
    ink.bottom = std::max(ink.bottom, y);
  }
  if (ink.pixels > 0) {
    const std::size_t middle = static_cast<std::size_t>((ink.top + ink.bottom) / 2) * width +
                               static_cast<std::size_t>((ink.left + ink.right) / 2);
    for (int p = 0; p < 4; ++p) ink.centre[p] = static_cast<std::uint8_t>(page[4 * middle + p]);
  }
  return ink;
}

// A red circle of 40 mm (113.4 points) on an empty 100 x 80 mm PDF page
// prints at its true size with no ink around it: no white rectangle.
TEST_F(PrintCommand, PdfArtworkPrintsAtTrueSizeWithNothingAroundIt) {
  const auto pdf = home / "circle.pdf";
  ASSERT_TRUE(test::WritePdf(pdf, test::CirclePages({"1 0 0"})));
  const auto job = home / "job.prn";
  auto result = test::RunNvxprint(
      {"print", pdf.string(), "--to", job.string(), "--media", "P.Uno White", "--print-white"},
      Environment());
  ASSERT_EQ(result.status, 0) << result.err;
  std::string log;
  ASSERT_EQ(test::RenderJob(job, home / "page.cmyk", log), 0) << log;
  const InkedArea ink = FindInk(test::ReadFileBytes(home / "page.cmyk"), 595);
  EXPECT_NEAR(ink.right - ink.left + 1, 113.4, 3);
  EXPECT_NEAR(ink.bottom - ink.top + 1, 113.4, 3);
  EXPECT_NEAR(ink.pixels, 3.1416 * 56.7 * 56.7, 600);  // the disc, not its 283 x 227 page
  ASSERT_GT(ink.pixels, 0);
  EXPECT_LT(ink.centre[0], 30);  // red: magenta and yellow, next to no cyan
  EXPECT_GT(ink.centre[1], 150);
  EXPECT_GT(ink.centre[2], 150);
}

// --pages all: each page is its own complete job, one after the other in one
// file; the blue second page prints cyan where the red first has none. A
// PostScript file that does not say how many pages it has is counted. The
// notes on the load are said once, not once a page; a page beyond the last is
// refused.
TEST_F(PrintCommand, AllPagesOfADocumentPrintOneJobEach) {
  const auto pdf = home / "two.pdf";
  ASSERT_TRUE(test::WritePdf(pdf, test::CirclePages({"1 0 0", "0 0 1"})));
  const auto ps = home / "two.ps";
  test::WriteFileBytes(ps, test::CirclePages({"1 0 0", "0 0 1"}));
  for (const auto& document : {pdf, ps}) {
    SCOPED_TRACE(document.filename().string());
    const auto job = home / "job.prn";
    auto result = test::RunNvxprint(
        {"print", document.string(), "--to", job.string(), "--pages", "all"}, Environment());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Occurrences(result.err, "is not installed"), 1) << result.err;
    std::string log;
    ASSERT_EQ(test::RenderJob(job, home / "pages.cmyk", log), 0) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    const std::string pages = test::ReadFileBytes(home / "pages.cmyk");
    const std::size_t pageBytes = std::size_t{595} * 842 * 4;
    ASSERT_EQ(pages.size(), 2 * pageBytes);
    const InkedArea first = FindInk(pages.substr(0, pageBytes), 595);
    const InkedArea second = FindInk(pages.substr(pageBytes), 595);
    ASSERT_GT(first.pixels, 0);
    ASSERT_GT(second.pixels, 0);
    EXPECT_LT(first.centre[0], 30);
    EXPECT_GT(second.centre[0], 150);

    auto one = test::RunNvxprint({"print", document.string(), "--to", job.string(), "--page", "2"},
                                 Environment());
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(test::RenderJob(job, home / "page.cmyk", log), 0) << log;
    EXPECT_EQ(test::ReadFileBytes(home / "page.cmyk"), pages.substr(pageBytes));

    std::filesystem::remove(job);
    auto beyond = test::RunNvxprint(
        {"print", document.string(), "--to", job.string(), "--page", "3"}, Environment());
    EXPECT_NE(beyond.status, 0);
    EXPECT_EQ(Occurrences(beyond.err, "no page 3"), 1) << beyond.err;
    EXPECT_FALSE(std::filesystem::exists(job));
  }
}

// Each page of --pages all is made when the one before has been written: a
// later page that cannot print stops the job, says why once, and leaves the
// earlier --to file as it was.
TEST_F(PrintCommand, APageThatCannotPrintStopsAllPagesAndLeavesNoJob) {
  const auto pdf = home / "pages.pdf";
  ASSERT_TRUE(test::WritePdf(pdf, test::CirclePages({"1 0 0", "0 0 1", "1 1 1"})));
  const auto job = home / "job.prn";
  test::WriteFileBytes(job, "earlier job");
  auto result = test::RunNvxprint({"print", pdf.string(), "--to", job.string(), "--pages", "all"},
                                  Environment());
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(Occurrences(result.err, "Nothing in this image would receive toner"), 1) << result.err;
  EXPECT_EQ(Occurrences(result.err, "nvxprint:"), Occurrences(result.err, "\n")) << result.err;
  EXPECT_EQ(test::ReadFileBytes(job), "earlier job");
}

// Priced page by page, --pages all reports each page's own cost: a page
// covered in black costs more than a small red dot, whichever is sent first.
TEST_F(PrintCommand, AllPagesArePricedEachByItsOwnToner) {
  std::filesystem::create_directories(home / "config" / "NivaluxPro");
  test::WriteFileBytes(home / "config" / "NivaluxPro" / "NivaluxPro.ini",
                       "[Stats]\r\nOption=2\r\nCMYT=CMY,11500,5%,216,A4\r\n");
  const auto pdf = home / "pages.pdf";
  ASSERT_TRUE(test::WritePdf(pdf,
                             "%!PS\n<< /PageSize [283 227] >> setpagedevice\n"
                             "0 0 0 setrgbcolor 0 0 283 227 rectfill showpage\n"
                             "1 0 0 setrgbcolor 140 112 3 3 rectfill showpage\n"));
  const auto job = home / "job.prn";
  auto costLines = [&](std::vector<std::string> pages) {
    std::vector<std::string> args{"print", pdf.string(), "--to", job.string()};
    args.insert(args.end(), pages.begin(), pages.end());
    auto result = test::RunNvxprint(args, Environment());
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines;
    for (std::size_t at = result.out.find("One print"); at != std::string::npos;
         at = result.out.find("One print", at + 1))
      lines.push_back(result.out.substr(at, result.out.find('\n', at) - at));
    return lines;
  };
  const std::vector<std::string> all = costLines({"--pages", "all"});
  const std::vector<std::string> first = costLines({"--page", "1"});
  const std::vector<std::string> second = costLines({"--page", "2"});
  ASSERT_EQ(all.size(), 2u);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(first[0], second[0]);
  EXPECT_EQ(all[0], first[0]);
  EXPECT_EQ(all[1], second[0]);
}

// The circle drawn by QPainter into a PNG of the same pixels, transparent
// around it and 300 dpi: the PDF's empty page separates as the PNG's
// transparency does under Background Removal, the two differing only where
// the two renderers smooth the circle's edge differently.
TEST_F(PrintCommand, PdfArtworkSeparatesAsThePngWithAlphaOfItsPixels) {
  const auto pdf = home / "circle.pdf";
  ASSERT_TRUE(test::WritePdf(pdf, test::CirclePages({"1 0 0"})));
  const PrintOutcome fromPdf = Print({"--print-white"}, pdf.string());
  ASSERT_GT(fromPdf.width, 0);

  const int width = fromPdf.width;
  const int height = fromPdf.height;
  QImage png(width, height, QImage::Format_ARGB32);
  png.fill(Qt::transparent);
  png.setDotsPerMeterX(11811);  // 300 dpi
  png.setDotsPerMeterY(11811);
  {
    QPainter painter(&png);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 0, 0));
    const double radius = 56.693 * 300 / 72;
    painter.drawEllipse(QPointF(width / 2.0, height / 2.0), radius, radius);
  }
  const auto pngFile = home / "circle.png";
  ASSERT_TRUE(png.save(QString::fromStdString(pngFile.string())));
  const PrintOutcome fromPng = Print({"--print-white", "--background-removal"}, pngFile.string());
  ASSERT_EQ(fromPng.width, width);
  ASSERT_EQ(fromPng.height, height);
  ASSERT_EQ(fromPng.planes.size(), fromPdf.planes.size());

  // Every differing pixel lies on the rim, within two pixels of the circle.
  const double radius = 56.693 * 300 / 72;
  int differing = 0;
  int offTheRim = 0;
  int inked = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool same = true;
      for (int p = 0; p < 5; ++p) {
        const std::size_t at = (static_cast<std::size_t>(y) * 5 + p) * width + x;
        same = same && std::abs(fromPdf.planes[at] - fromPng.planes[at]) <= 2;
        inked += p == 1 && fromPdf.planes[at] > 0;
      }
      if (same) continue;
      ++differing;
      const double fromCentre = std::hypot(x + 0.5 - width / 2.0, y + 0.5 - height / 2.0);
      offTheRim += std::abs(fromCentre - radius) > 2.0;
    }
  }
  EXPECT_EQ(offTheRim, 0);
  EXPECT_NEAR(inked, 3.1416 * radius * radius, 2 * 3.1416 * radius * 2);
  EXPECT_LT(differing, 2 * 3.1416 * radius) << "more than the rim differs";
}

class PrintFormats : public PrintFixture, public testing::WithParamInterface<std::string> {};

// Every format the program reads makes a job that Ghostscript prints with ink on the page.
TEST_P(PrintFormats, PhotographPrints) {
  auto job = home / "job.prn";
  auto result = test::RunNvxprint(
      {"print", NVX_TEST_DATA_DIR "/photos/coffee60." + GetParam(), "--to", job.string()},
      Environment());
  ASSERT_EQ(result.status, 0) << result.err;
  std::string log;
  auto raster = home / "page.cmyk";
  ASSERT_EQ(test::RenderJob(job, raster, log), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  const std::string page = test::ReadFileBytes(raster);
  EXPECT_GT(std::count_if(page.begin(), page.end(), [](char b) { return b != 0; }), 1000);
}

INSTANTIATE_TEST_SUITE_P(Photograph, PrintFormats,
                         testing::Values("png", "jpg", "gif", "tif", "bmp", "psd"));

struct BadInput {
  const char* name;
  std::string file;
  std::vector<std::string> extra;
  const char* mentions;
};

// Test names show the case, not its bytes.

class PrintRejects : public PrintFixture, public testing::WithParamInterface<BadInput> {};

TEST_P(PrintRejects, WithAMessageANonZeroStatusAndNoJobFile) {
  const BadInput& bad = GetParam();
  auto job = home / "job.prn";
  std::vector<std::string> args{"print", bad.file, "--to", job.string()};
  args.insert(args.end(), bad.extra.begin(), bad.extra.end());
  auto result = test::RunNvxprint(args, Environment());
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(Occurrences(result.err, bad.mentions), 1) << "the reason, once:\n" << result.err;
  EXPECT_FALSE(std::filesystem::exists(job));
  for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
    EXPECT_EQ(entry.path().filename().string().find("job.prn"), std::string::npos)
        << "left behind: " << entry.path();
  }
}

#define IMAGES NVX_TEST_DATA_DIR "/images/"

// What the user should know about a job made all the same goes to stderr
// once: the stand-in for the missing printer profile, and transparent areas
// that print the colour stored under them while background removal is off.
TEST_F(PrintCommand, NotesOnTheLoadAreSaidOnce) {
  auto job = home / "job.prn";
  auto kept =
      test::RunNvxprint({"print", IMAGES "transparent.png", "--to", job.string()}, Environment());
  ASSERT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(Occurrences(kept.err, "is not installed"), 1) << kept.err;
  EXPECT_EQ(Occurrences(kept.err, "transparent areas"), 1) << kept.err;
  EXPECT_EQ(Occurrences(kept.err, "--background-removal"), 1) << kept.err;

  auto removed = test::RunNvxprint(
      {"print", IMAGES "transparent.png", "--to", job.string(), "--background-removal"},
      Environment());
  EXPECT_EQ(Occurrences(removed.err, "transparent areas"), 0) << removed.err;
  auto opaque = test::RunNvxprint({"print", kPhoto, "--to", job.string()}, Environment());
  ASSERT_EQ(opaque.status, 0) << opaque.err;
  EXPECT_EQ(Occurrences(opaque.err, "transparent areas"), 0) << opaque.err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, PrintRejects,
    testing::Values(
        BadInput{"Missing", IMAGES "nothing-here.png", {}, "nothing-here.png"},
        BadInput{"TruncatedPng", IMAGES "truncated.png", {}, "ERROR"},
        BadInput{"TruncatedJpeg", IMAGES "truncated.jpg", {}, "ERROR"},
        BadInput{"TruncatedGif", IMAGES "truncated.gif", {}, "ERROR"},
        BadInput{"TruncatedTiff", IMAGES "truncated.tif", {}, "UNABLE TO OPEN FILE"},
        BadInput{"TruncatedBmp", IMAGES "truncated.bmp", {}, "ERROR"},
        BadInput{"TruncatedPsd", IMAGES "truncated.psd", {}, "ERROR"},
        BadInput{"TextCalledPng", IMAGES "corrupt.png", {}, "not an image nvxprint knows"},
        BadInput{"UnknownFormat", IMAGES "unknown.xyz", {}, "not an image nvxprint knows"},
        BadInput{"ProfileThatIsNoProfile",
                 kPhoto,
                 {"--icc-out", IMAGES "corrupt.png"},
                 "Something odd with this image"},
        BadInput{
            "CopiesOffThePage", kPhoto, {"--x-copies", "999", "--y-copies", "999"}, "do not fit"},
        BadInput{"PageOfARasterImage", kPhoto, {"--page", "2"}, "is a raster image"}),
    test::CaseName());

}  // namespace
}  // namespace nvx
