#include "job/print_session.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "job/costing.h"
#include "job/delivery.h"
#include "job/image_document.h"
#include "job/presets.h"
#include "settings/settings_keys.h"
#include "support/fresh_config.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

class PrintSessionTest : public testing::Test {
 protected:
  test::TempFolder home;
  void SetUp() override { test::UseFreshConfig(home); }

  // The photograph loaded, turned and placed, as a print has it.
  static void OpenPhoto(PrintSession& s, ImageDocument& doc, bool keepImage) {
    ASSERT_TRUE(LoadImageDocument(s, doc, NVX_TEST_DATA_DIR "/photos/coffee60.png").ok());
    ASSERT_TRUE(OrientImage(s, doc, keepImage).ok());
    PlaceOnPage(s, doc);
  }
};

// One print reads the two settings files once and writes the user's once.
TEST_F(PrintSessionTest, APrintReadsTheSettingsOnceAndWritesThemOnce) {
  {
    PrintSession first;  // the first run creates the file
    ASSERT_TRUE(OpenPrintSession(first, "").ok());
    ASSERT_TRUE(CommitSession(first).ok());
  }
  const SettingsFileCounts before = SettingsFileActivity();
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  ASSERT_TRUE(ChoosePaper(s, "A4").ok());
  ImageDocument doc;
  OpenPhoto(s, doc, false);
  ASSERT_TRUE(BuildImageJob(s, doc, true).ok());
  ASSERT_TRUE(CommitSession(s).ok());
  const SettingsFileCounts after = SettingsFileActivity();
  EXPECT_EQ(after.reads - before.reads, 3);  // both files at the start, the user's again to merge
  EXPECT_EQ(after.writes - before.writes, 1);
}

// A print that may let the grid go gives its memory back before the copies
// are laid out, so the grid, the planes and the page are never held at once.
TEST_F(PrintSessionTest, AJobThatReleasesTheGridGivesItsMemoryBack) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  ImageDocument doc;
  OpenPhoto(s, doc, false);
  ASSERT_TRUE(BuildImageJob(s, doc, true).ok());
  EXPECT_EQ(doc.grid.pixels.capacity(), 0u);
}

// A job made while it is sent costs what the whole-page job costs: every
// copy's planes count, the gaps between them nothing. So does a job made from
// the decoder's pixels band by band, which counts its sums before it is sent.
TEST_F(PrintSessionTest, AJobMadeWhileSentCostsAsTheWholePageJob) {
  std::filesystem::create_directories(home / "config" / "NivaluxPro");
  test::WriteFileBytes(home / "config" / "NivaluxPro" / "NivaluxPro.ini",
                       "[Stats]\r\nOption=2\r\n");
  enum Way { Whole, Released, Streamed };
  std::array<std::optional<CostEstimate>, 3> estimates;
  for (Way way : {Whole, Released, Streamed}) {
    PrintSession s;
    ASSERT_TRUE(OpenPrintSession(s, "").ok());
    ASSERT_EQ(s.Settings().statsOption, StatsOption::PrintAndCost);
    ImageDocument doc;
    doc.streamPrint = way == Streamed;
    OpenPhoto(s, doc, way == Whole);
    s.live.xCopy = 2;
    s.live.yCopy = 2;
    PlaceOnPage(s, doc);
    Result<PrintJob> job = BuildImageJob(s, doc, way != Whole);
    ASSERT_TRUE(job.ok());
    EXPECT_EQ(static_cast<bool>(job->rows), way != Whole);
    Result<PrintCost> cost = CostSentJob(s, *job);
    ASSERT_TRUE(cost.ok()) << cost.failure().message;
    estimates[way] = cost->estimate;
  }
  for (Way way : {Released, Streamed}) {
    EXPECT_EQ(estimates[way]->planePercent, estimates[Whole]->planePercent) << way;
    EXPECT_EQ(estimates[way]->areaSquareInches, estimates[Whole]->areaSquareInches) << way;
  }
  EXPECT_GT(estimates[Streamed]->colourPercent, 0);
}

// The curve editor changes the points after the image was turned: the preview
// and the job follow them as if the image had been turned with them.
TEST_F(PrintSessionTest, PreviewAndJobFollowCurvesChangedAfterTheImageWasTurned) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  ImageDocument turned;
  OpenPhoto(s, turned, true);
  const PreviewBitmap before = RenderPagePreview(s, turned, kWhiteSubstrate);
  s.live.colourPoints =
      *ParseCompleteColourAdjustPoints("FF60A5705756000FFF60A5705756000FFF60A5705756000F");
  const PreviewBitmap after = RenderPagePreview(s, turned, kWhiteSubstrate);
  Result<PrintJob> job = BuildImageJob(s, turned, false);

  ImageDocument fresh;
  OpenPhoto(s, fresh, true);
  EXPECT_NE(before.bgrx, after.bgrx);
  EXPECT_EQ(after.bgrx, RenderPagePreview(s, fresh, kWhiteSubstrate).bgrx);
  Result<PrintJob> expected = BuildImageJob(s, fresh, false);
  ASSERT_TRUE(job.ok() && expected.ok());
  EXPECT_TRUE(job->data == expected->data);
}

// A preview drawn on another thread gets what the window drew at the moment it
// asked, whatever the window changes meanwhile.
TEST_F(PrintSessionTest, APreviewRequestDrawsAsTheWindowStoodWhenItWasMade) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  ImageDocument doc;
  ASSERT_TRUE(LoadImageDocument(s, doc, NVX_TEST_DATA_DIR "/photos/coffee60.png").ok());
  ASSERT_TRUE(OrientImage(s, doc, true).ok());
  PlaceOnPage(s, doc, 620, 876);
  const PagePreviewRequest request = PreparePagePreview(s, doc, kWhiteSubstrate);
  const PreviewBitmap shown = RenderPagePreview(s, doc, kWhiteSubstrate);
  s.live.brightness = 90;
  PlaceOnPage(s, doc);
  PreviewState own;
  const PreviewBitmap drawn = DrawPagePreview(request, own);
  EXPECT_EQ(drawn.width, shown.width);
  EXPECT_EQ(drawn.height, shown.height);
  EXPECT_TRUE(drawn.bgrx == shown.bgrx);
}

// Two programs changing different keys at the same moment keep both changes.
TEST_F(PrintSessionTest, ConcurrentWritersKeepEachOthersKeys) {
  SettingsFiles files{home / "shared", home / "machine"};
  std::filesystem::create_directories(files.userFolder);
  constexpr int kRounds = 150;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  const std::string key = child == 0 ? "Child" : "Parent";
  for (int i = 1; i <= kRounds; ++i) {
    SettingsFiles mine = files;
    TakeSettingsSnapshot(mine);
    WriteSetting(mine, "Race", key, std::to_string(i));
    EXPECT_TRUE(CommitSettings(mine).ok());
  }
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(ReadSetting(files, "Race", "Child"), std::to_string(kRounds));
  EXPECT_EQ(ReadSetting(files, "Race", "Parent"), std::to_string(kRounds));
}

// Margins a custom paper or medium sets hold for the session only; the
// paper chosen again brings the user's back.
TEST_F(PrintSessionTest, PaperMarginsHoldOnlyWhileThePaperIsChosen) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  WriteSetting(s.files, keys::kPapers, keys::kNumber, "1");
  WriteSetting(s.files, keys::kPapers, "Custom1",
               "Poster^400.00000^500.00000^0^60.00000^60.00000^60.00000^60.00000");
  s.paperList.push_back("Poster");
  ASSERT_TRUE(ChoosePaper(s, "Poster").ok());
  EXPECT_EQ(s.Settings().margins.top, 6000);
  ASSERT_TRUE(ChoosePaper(s, "A4").ok());
  EXPECT_EQ(s.Settings().margins, PageMargins{});
  ASSERT_TRUE(CommitSession(s).ok());
  PrintSession later;
  ASSERT_TRUE(OpenPrintSession(later, "").ok());
  EXPECT_EQ(later.Settings().margins, PageMargins{});
}

// Load Defaults resets what the window's white and copies controls hold and the
// stored choices, but keeps the printer in use as the stored one.
TEST_F(PrintSessionTest, LoadDefaultsKeepsThePrinterInUseAndResetsTheRest) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  s.live.printer = "Queue-In-Use";
  s.live.copies = 7;
  s.live.printWhite = true;
  s.live.whiteChokeMm = 1.5;
  WriteWhiteChoke(s.files, 1.5);
  s.live.compactRaster = true;
  WriteCompactRaster(s.files, true);
  ASSERT_TRUE(ChoosePaper(s, "A5 SEF").ok());
  s.live.paperTray = s.trayList.back();
  ASSERT_TRUE(LoadDefaults(s).ok());
  EXPECT_EQ(s.live.printer, "Queue-In-Use");
  EXPECT_EQ(ReadSetting(s.files, keys::kActive, keys::kPrinter), "Queue-In-Use");
  EXPECT_EQ(s.live.paperName, "A4");
  EXPECT_EQ(s.live.paperTray, s.trayList.front());
  EXPECT_EQ(s.live.copies, 1);
  EXPECT_FALSE(s.live.printWhite);
  EXPECT_EQ(s.live.whiteChokeMm, 0);
  EXPECT_EQ(ReadWhiteChoke(s.files), 0);
  EXPECT_FALSE(s.live.compactRaster);
  EXPECT_FALSE(ReadCompactRaster(s.files));
  EXPECT_EQ(ReadSetting(s.files, keys::kOthers, keys::kRightHand), "1");
}

// A paper whose margins leave nothing to print on is refused with the reason.
TEST_F(PrintSessionTest, MarginsLargerThanThePaperAreRefusedWithTheReason) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  WriteSetting(s.files, keys::kPapers, keys::kNumber, "1");
  WriteSetting(s.files, keys::kPapers, "Custom1",
               "Tag^100.00000^100.00000^0^60.00000^60.00000^60.00000^60.00000");
  s.paperList.push_back("Tag");
  Status chosen = ChoosePaper(s, "Tag");
  ASSERT_FALSE(chosen.ok());
  EXPECT_NE(chosen.failure().message.find("no printable area"), std::string::npos);
}

// The dark foil's margins follow the paper chosen after it (A3 has its own).
TEST_F(PrintSessionTest, MediaRulesFollowAPaperChosenAfterThem) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "Pro9420WT").ok());
  s.text.Set(198, "P.Foil dark");
  s.mediaList.push_back("P.Foil dark");
  ASSERT_TRUE(ChooseMedia(s, "P.Foil dark").ok());
  EXPECT_EQ(s.Settings().margins.left, 2834);
  ASSERT_TRUE(ChoosePaper(s, "A3").ok());
  EXPECT_EQ(s.Settings().margins.left, 3855);
  EXPECT_EQ(s.userMargins, PageMargins{});
}

// A print that puts no toner on the page is not sent; costed without printing,
// it still wears the drums and the fuser, and costs no toner.
TEST_F(PrintSessionTest, APrintWithoutTonerCostsTheDrumsAndFuserWhenOnlyCosted) {
  QImage white(40, 30, QImage::Format_RGB32);
  white.fill(Qt::white);
  const std::filesystem::path file = home / "white.png";
  ASSERT_TRUE(white.save(QString::fromStdString(file.string())));
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  WriteSetting(s.files, keys::kStats, keys::kColourDrum, "ID,30000,150");
  WriteSetting(s.files, keys::kStats, keys::kFuser, "Fuser,100000,150");
  // Also from the decoder's pixels, band by band.
  for (bool streamed : {false, true}) {
    auto build = [&] {
      ImageDocument doc;
      doc.streamPrint = streamed;
      EXPECT_TRUE(LoadImageDocument(s, doc, file.string()).ok());
      EXPECT_TRUE(OrientImage(s, doc, false).ok());
      PlaceOnPage(s, doc);
      return BuildImageJob(s, doc, true);
    };
    WriteSetting(s.files, keys::kStats, keys::kStatsOption, "2");
    EXPECT_FALSE(build().ok()) << "printed and costed: nothing to print";

    WriteSetting(s.files, keys::kStats, keys::kStatsOption, keys::kStatsCostOnly);
    Result<PrintJob> costed = build();
    ASSERT_TRUE(costed.ok()) << costed.failure().message;
    EXPECT_EQ(costed->outcome, JobOutcome::CostedOnly);
    EXPECT_NE(ReadSetting(s.files, keys::kStats, keys::kXpixel), "") << "the sizes recorded";
    ASSERT_TRUE(s.lastCost) << s.lastCostFailure;
    EXPECT_EQ(s.lastCost->estimate.colourPercent, 0);
    EXPECT_EQ(s.lastCost->estimate.Share(Consumable::ColourToner), 0);
    EXPECT_NEAR(s.lastCost->estimate.perPrint, 0.0165, 1e-12);
  }
}

TEST_F(PrintSessionTest, ModelKeysIgnoreCaseAndUnknownOnesAreRefused) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "pro9420wt").ok());
  EXPECT_EQ(s.modelKey, "Pro9420WT");
  PrintSession bad;
  const Result<Notes> refused = OpenPrintSession(bad, "Nonsense");
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.failure().message.find("Pro8432WT"), std::string::npos);
}

// What the session has to tell the user comes back to the caller, which shows
// it once in its own way; the session itself shows nothing.
TEST_F(PrintSessionTest, WhatTheUserIsToldComesBackToTheCaller) {
  const std::filesystem::path machine = home / "etc" / "NivaluxPro";
  std::filesystem::create_directories(machine);
  test::WriteFileBytes(machine / "NivaluxPro.ini",
                       "[Active]\nModel=Nonsense\nLanguage=Klingon.lan3\n");
  PrintSession s;
  const Result<Notes> opened = OpenPrintSession(s, "");
  ASSERT_TRUE(opened.ok());
  ASSERT_EQ(opened->size(), 2u);
  EXPECT_NE((*opened)[0].text.find("Klingon.lan3 Missing"), std::string::npos);
  EXPECT_EQ((*opened)[1].text, "The stored printer model \"Nonsense\" is not known; using C711WT.");
  EXPECT_EQ(s.modelKey, "C711WT");

  test::WriteFileBytes(home / "p.svcfg", "[Active]\nPaperSize=Papyrus\n");
  const Result<Notes> read = ReadPreset(s, home / "p.svcfg", PresetScope::ThisRun);
  ASSERT_TRUE(read.ok()) << read.failure().message;
  ASSERT_EQ(read->size(), 1u);
  EXPECT_EQ((*read)[0].text,
            "The preset \"p.svcfg\" was loaded, but\r\n- its paper \"Papyrus\" is not offered for "
            "the C711WT; the paper stays \"A4\".");

  // A settings file no one may write: the commit fails with the reason, once.
  ASSERT_TRUE(CommitSession(s).ok());
  namespace fs = std::filesystem;
  fs::permissions(s.files.UserFile(), fs::perms::owner_read);
  WriteSetting(s.files, keys::kActive, keys::kUnit, "C");
  const Status stored = CommitSession(s);
  ASSERT_FALSE(stored.ok());
  EXPECT_EQ(stored.failure().message, "Failed to write to:- \n" + s.files.UserFile().string() +
                                          "\nError 5 - Access denied (read only?)");
  EXPECT_TRUE(CommitSession(s).ok());
}

TEST(SendJob, WithoutAPrinterSaysSoInsteadOfNamingAnEmptyQueue) {
  const Status sent = SendJob("", "job", PrintJob{}, DefaultTextTable(), UiHooks{});
  ASSERT_FALSE(sent);
  EXPECT_NE(sent.failure().message.find("There is no printer to send to"), std::string::npos);
}

}  // namespace
}  // namespace nvx
