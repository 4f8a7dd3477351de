#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "app/window/main_window.h"
#include "app/window/preview_widget.h"
#include "app/window/window_work.h"
#include "app/window_fixture.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx::app {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee120.tif";
constexpr int kWaitMs = kWindowWaitMs;

// Answers every message box the window opens, and keeps its text.
class MessageAnswerer {
 public:
  MessageAnswerer() {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        texts_.push_back(modal->findChild<QWidget*>() ? modal->windowTitle().toStdString() : "");
        modal->close();
      }
    });
    timer_.start();
  }
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  QTimer timer_;
  std::vector<std::string> texts_;
};

using WindowPrintTest = WindowFixture;

TEST_F(WindowPrintTest, OpeningAnImageShowsItAndMovingASliderRedrawsThePreview) {
  MessageAnswerer answers;
  auto w = Open();
  ASSERT_TRUE(Load(*w, kPhoto));
  EXPECT_TRUE(w->ImageLoaded());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - coffee120.tif"));
  EXPECT_TRUE(w->findChild<QAbstractButton*>(QStringLiteral("printButton"))->isEnabled());

  auto* preview = w->findChild<PreviewWidget*>(QStringLiteral("preview"));
  const QImage before = preview->Page();
  ASSERT_FALSE(before.isNull());
  w->findChild<QSlider*>(QStringLiteral("brightness"))->setValue(90);
  EXPECT_NE(preview->Page(), before) << "a brighter image looks different";
}

TEST_F(WindowPrintTest, FlipReloadsTheImageAndKeepsRotate) {
  MessageAnswerer answers;
  auto w = Open();
  ASSERT_TRUE(Load(*w, kPhoto));
  auto* rotate = w->findChild<QAbstractButton*>(QStringLiteral("rotate"));
  rotate->click();
  QSignalSpy turned(w.get(), &MainWindow::previewRedrawn);
  ASSERT_TRUE(turned.wait(kWaitMs));
  // The controls are locked while the worker runs: wait until it has ended.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Busy(); }, kWaitMs));
  const bool rotated = w->Live().rotate;
  QSignalSpy reloaded(w.get(), &MainWindow::loadFinished);
  w->findChild<QAbstractButton*>(QStringLiteral("flip"))->click();
  ASSERT_TRUE(reloaded.wait(kWaitMs));
  EXPECT_TRUE(reloaded.front().front().toBool());
  EXPECT_TRUE(w->Live().flip);
  EXPECT_EQ(w->Live().rotate, rotated);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - coffee120.tif"));
}

TEST_F(WindowPrintTest, ThePrinterGetsTheSameBytesAsFromTheCommandLine) {
  if (std::string why = StartPrinter(); !why.empty()) GTEST_SKIP() << why;

  MessageAnswerer answers;
  auto w = Open();
  auto* media = w->findChild<QComboBox*>(QStringLiteral("mediaList"));
  media->setCurrentIndex(media->findText(QStringLiteral("KTC3.1")));
  auto* copies = w->findChild<QLineEdit*>(QStringLiteral("copies"));
  copies->setText(QStringLiteral("2"));
  emit copies->editingFinished();
  ASSERT_TRUE(Load(*w, kPhoto));
  ASSERT_EQ(w->Live().printer, "OKI-C711WT-test");

  QSignalSpy printed(w.get(), &MainWindow::printFinished);
  w->findChild<QAbstractButton*>(QStringLiteral("printButton"))->click();
  ASSERT_TRUE(printed.wait(kWaitMs));
  ASSERT_TRUE(printed.front().front().toBool()) << cups->Log();
  const std::vector<std::string> jobs = printer->WaitForJobs(1);
  ASSERT_EQ(jobs.size(), 1u);
  w->CommitSettings();

  const pid_t pid = test::StartProcess({NVX_BINARY, "print", kPhoto, "--media", "KTC3.1",
                                        "--copies", "2", "--to", (home / "cli.prn").string()},
                                       {}, home / "cli.log", home / "cli.log");
  ASSERT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cli.log");
  const std::string expected = test::ReadFileBytes(home / "cli.prn");
  ASSERT_GT(expected.size(), 10000u);
  EXPECT_EQ(jobs.front().size(), expected.size());
  EXPECT_TRUE(jobs.front() == expected) << "the window's job differs from the command line's";
}

}  // namespace
}  // namespace nvx::app
