#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <future>
#include <map>

#include "support/command.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee60.png";

class ImageOptions : public testing::Test {
 protected:
  test::TempFolder home;

  std::vector<std::string> Env() const { return test::IsolatedEnv(home.path(), NVX_SHARE_DIR); }

  // The job for the options; empty after a failure, with the status kept.
  std::string Job(const std::vector<std::string>& options, int* status = nullptr) {
    auto file = home / "job.prn";
    std::filesystem::remove(file);
    std::vector<std::string> args{"print", kPhoto, "--to", file.string()};
    args.insert(args.end(), options.begin(), options.end());
    test::CliResult result = test::RunNvxprint(args, Env());
    if (status) *status = result.status;
    return result.status == 0 ? test::ReadFileBytes(file) : std::string();
  }

  QImage Preview(const std::vector<std::string>& options, int* status = nullptr) {
    auto file = home / "preview.png";
    std::filesystem::remove(file);
    std::vector<std::string> args{"preview", kPhoto, "--to", file.string()};
    args.insert(args.end(), options.begin(), options.end());
    test::CliResult result = test::RunNvxprint(args, Env());
    if (status) *status = result.status;
    return QImage(QString::fromStdString(file.string()));
  }
};

enum class Effect { ChangesTheJob, Refused };

struct OptionCase {
  const char* name;
  std::vector<std::string> args;
  Effect effect;
};

using test::PrintTo;

class ImageOption : public ImageOptions, public testing::WithParamInterface<OptionCase> {};

// Each option reaches the job (the bytes differ from the defaults'), and a
// value out of its range is refused with status 2 and no job.
TEST_P(ImageOption, ReachesTheJobOrIsRefused) {
  static std::map<std::string, std::string> baseline;
  if (baseline.empty()) baseline["job"] = Job({});
  ASSERT_FALSE(baseline["job"].empty());
  int status = -1;
  const std::string job = Job(GetParam().args, &status);
  if (GetParam().effect == Effect::Refused) {
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(job.empty());
    return;
  }
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(job != baseline["job"]) << "the job is the defaults' job";
}

INSTANTIATE_TEST_SUITE_P(
    Print, ImageOption,
    testing::Values(
        OptionCase{"Brightness", {"--brightness", "40"}, Effect::ChangesTheJob},
        OptionCase{"Contrast", {"--contrast", "-30"}, Effect::ChangesTheJob},
        OptionCase{"Align", {"--align", "4"}, Effect::ChangesTheJob},
        OptionCase{
            "WhiteDensity", {"--white-density", "40", "--print-white"}, Effect::ChangesTheJob},
        OptionCase{
            "WhiteThreshold", {"--white-threshold", "90", "--print-white"}, Effect::ChangesTheJob},
        OptionCase{"BlackFuzzy", {"--black-removal", "--black-fuzzy", "50"}, Effect::ChangesTheJob},
        OptionCase{"AutoTile", {"--auto-tile"}, Effect::ChangesTheJob},
        OptionCase{"OptimalLayout", {"--x-copies", "2", "--optimal-layout"}, Effect::ChangesTheJob},
        OptionCase{"BackgroundRemoval", {"--background-removal"}, Effect::ChangesTheJob},
        OptionCase{"ThresholdOff", {"--threshold-off", "--print-white"}, Effect::ChangesTheJob},
        OptionCase{"Rotate", {"--rotate"}, Effect::ChangesTheJob},
        OptionCase{
            "NoFaceUpExit", {"--model", "Pro9420WT", "--no-faceup-exit"}, Effect::ChangesTheJob},
        OptionCase{
            "Pattern", {"--pattern", "--shape", "Heart", "--screen", "0"}, Effect::ChangesTheJob},
        OptionCase{"PatternGapOfOne", {"--pattern", "--gap", "1"}, Effect::ChangesTheJob},
        OptionCase{"PatternGapBelowOne", {"--pattern", "--gap", "0.9"}, Effect::Refused},
        OptionCase{"PatternShapeOverTen", {"--pattern", "--shape-size", "11"}, Effect::Refused},
        OptionCase{"PatternUnknownShape", {"--pattern", "--shape", "Moon"}, Effect::Refused},
        OptionCase{"PatternOptionWithoutPattern", {"--gap", "2"}, Effect::Refused},
        OptionCase{"WhiteChoke", {"--white-choke", "1", "--print-white"}, Effect::ChangesTheJob},
        OptionCase{"WhiteChokeOverTwo", {"--white-choke", "2.5"}, Effect::Refused},
        OptionCase{"CurveTooShort", {"--curve", "FFFD"}, Effect::Refused},
        OptionCase{"BrightnessAboveRange", {"--brightness", "101"}, Effect::Refused},
        OptionCase{"ContrastNotANumber", {"--contrast", "high"}, Effect::Refused},
        OptionCase{"AlignZero", {"--align", "0"}, Effect::Refused},
        OptionCase{"WhiteDensityNegative", {"--white-density", "-1"}, Effect::Refused},
        OptionCase{"BlackFuzzyZero", {"--black-fuzzy", "0"}, Effect::Refused},
        OptionCase{"WhiteFirstOnAModelThatCannotSwitch", {"--toner-order", "WF"}, Effect::Refused}),
    test::CaseName());

// A first run has no pattern settings: --pattern prints the pattern the setup
// dialog would show, not shapes of no size.
TEST_F(ImageOptions, PatternOnAFreshConfigurationUsesTheSetupsDefaults) {
  const std::string fresh = Job({"--pattern"});
  ASSERT_FALSE(fresh.empty());
  EXPECT_TRUE(fresh == Job({"--pattern", "--shape", "Ellipse", "--shape-size", "2", "--gap", "1",
                            "--screen", "45"}));
  EXPECT_FALSE(fresh == Job({"--pattern", "--gap", "2"}));
}

// The sliders move in steps of two percent: 3 and 4 are the same position.
TEST_F(ImageOptions, BrightnessAndContrastRoundToTheSliderStep) {
  EXPECT_TRUE(Job({"--brightness", "3"}) == Job({"--brightness", "4"}));
  EXPECT_TRUE(Job({"--contrast", "-5"}) == Job({"--contrast", "-4"}));
}

// The choke shows in the white display, and only there.
TEST_F(ImageOptions, WhiteChokeShowsInTheWhiteDisplay) {
  const std::vector<std::string> white{"--print-white", "--display-white", "--background", "3"};
  std::vector<std::string> choked = white;
  choked.insert(choked.end(), {"--white-choke", "2"});
  EXPECT_NE(Preview(white), Preview(choked));
  EXPECT_EQ(Preview({"--print-white", "--white-choke", "2"}), Preview({"--print-white"}));
}

QRect InkedArea(const QImage& image, QRgb background) {
  QRect area;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != background) area |= QRect(x, y, 1, 1);
    }
  }
  return area;
}

// The preview puts the copy where the alignment says, inside the margins, and
// the page on the chosen substrate.
TEST_F(ImageOptions, PreviewPlacesTheCopyOnThePageAndSubstrate) {
  int status = -1;
  QImage topLeft = Preview({"--align", "4", "--background", "3"}, &status);
  ASSERT_EQ(status, 0);
  ASSERT_FALSE(topLeft.isNull());
  EXPECT_EQ(topLeft.width(), 310);  // the A4 page box of the default area
  EXPECT_EQ(topLeft.height(), 438);
  const QRgb black = topLeft.pixel(0, 0);
  EXPECT_EQ(qGray(black), 0);
  QRect copy = InkedArea(topLeft, black);
  EXPECT_EQ(copy.topLeft(), QPoint(6, 6));  // 12.96 pt margins are 6 preview pixels

  QImage bottomRight = Preview({"--align", "8", "--background", "3"});
  QRect moved = InkedArea(bottomRight, black);
  EXPECT_EQ(moved.size(), copy.size());
  EXPECT_GT(moved.left(), copy.left());
  EXPECT_LE(moved.right(), 310 - 6);
  EXPECT_LE(moved.bottom(), 438 - 6);
}

// Copies past the page are cut at its edge; the picture keeps the page's size.
// The preview picture goes where the job would: into a FIFO, which stays one,
// and to stdout for "-".
TEST_F(ImageOptions, PreviewGoesIntoAFifoAndToStdout) {
  ASSERT_FALSE(Preview({}).isNull());
  const std::string png = test::ReadFileBytes(home / "preview.png");
  const auto fifo = home / "viewer";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::future<std::string> received =
      std::async(std::launch::async, [&] { return test::ReadFileBytes(fifo); });
  EXPECT_EQ(test::RunNvxprint({"preview", kPhoto, "--to", fifo.string()}, Env()).status, 0);
  EXPECT_EQ(received.get(), png);
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
  EXPECT_EQ(test::RunNvxprint({"preview", kPhoto, "--to", "-"}, Env()).out, png);
}

TEST_F(ImageOptions, PreviewCutsCopiesAtThePageEdge) {
  int status = -1;
  QImage page = Preview({"--x-copies", "80", "--size", "200x300", "--background", "3"}, &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(page.width(), 200);
  const QRect inked = InkedArea(page, page.pixel(0, 0));
  EXPECT_EQ(inked.right(), 199);
}

// File names are the bytes given, UTF-8 or not, from the image to the job.
TEST_F(ImageOptions, FileNamesAreTheBytesGiven) {
  const auto photo = home / "lat\xe9.png";
  const auto job = home / "out\xe9.prn";
  std::filesystem::copy_file(kPhoto, photo);
  const test::CliResult result =
      test::RunNvxprint({"print", photo.string(), "--to", job.string()}, Env());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(test::ReadFileBytes(job).substr(0, 4), "%!PS");
  const auto preview = home / "pr\xe9view.png";
  EXPECT_EQ(test::RunNvxprint({"preview", photo.string(), "--to", preview.string()}, Env()).status,
            0);
  EXPECT_EQ(test::ReadFileBytes(preview).substr(1, 3), "PNG");
  for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
    if (entry.path().extension() == ".prn" ||
        entry.path().filename().string().ends_with("view.png")) {
      EXPECT_TRUE(entry.path() == job || entry.path() == preview) << "a file of another name";
    }
  }
}

// What stands in place of an image file is named, with status 1 and without
// waiting for a writer or reading a device without end.
TEST_F(ImageOptions, WhatIsNotAnImageFileIsNamed) {
  ::mkfifo((home / "pipe.png").c_str(), 0600);
  std::filesystem::create_symlink(home / "loop.png", home / "loop.png");
  const std::pair<std::string, std::string> cases[] = {
      {home.path().string(), "a folder, not a file"},
      {(home / "pipe.png").string(), "a named pipe (FIFO), not a file"},
      {(home / "loop.png").string(), "a loop of symbolic links, not a file"},
      {"/dev/zero", "a device, not a file"},
      {(home / "missing.png").string(), "no such file"},
  };
  for (const auto& [file, words] : cases) {
    const test::CliResult result =
        test::RunNvxprint({"print", file, "--to", (home / "job.prn").string()}, Env());
    EXPECT_EQ(result.status, 1) << file;
    EXPECT_EQ(result.err, "nvxprint: cannot open '" + file + "': " + words + "\n");
    EXPECT_FALSE(std::filesystem::exists(home / "job.prn"));
  }
}

}  // namespace
}  // namespace nvx
