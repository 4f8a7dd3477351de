#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <set>
#include <thread>

#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "window/main_window.h"
#include "window/window_fixture.h"
#include "window/window_worker.h"

namespace nvx::app {
namespace {

const QString kPhoto = QStringLiteral(NVX_TEST_DATA_DIR "/photos/coffee120.tif");
const QString kSmallPhoto = QStringLiteral(NVX_TEST_DATA_DIR "/photos/coffee60.png");
const QString kTransparent = QStringLiteral(NVX_TEST_DATA_DIR "/images/transparent.png");

bool WaitForLoad(QSignalSpy& loaded, MainWindow& w) {
  return (!loaded.isEmpty() || loaded.wait(kWindowWaitMs)) &&
         QTest::qWaitFor([&w] { return !w.Busy(); }, kWindowWaitMs);
}

using WindowLoadTest = WindowFixture;

// Work that takes a while, then changes its copy of the live settings.
WindowWorker::Work SlowlySetCopies(int copies) {
  return [copies](PrintSession& s, ImageDocument&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    s.live.copies = copies;
    return WorkOutcome{};
  };
}

// The session comes back by value with what the work changed; the window going
// while work runs waits for it and signals a window no longer there nothing.
TEST(WindowWorker, TheSessionComesBackAndAnAbandonedWorkSignalsNothing) {
  App();
  WindowWorker worker;
  QSignalSpy finished(&worker, &WindowWorker::finished);
  worker.Start(std::make_shared<PrintSession>(), std::make_shared<ImageDocument>(),
               SlowlySetCopies(4));
  ASSERT_TRUE(finished.wait(kWindowWaitMs));
  EXPECT_EQ(finished.front().front().value<WorkDone>().session->live.copies, 4);

  finished.clear();
  worker.Start(std::make_shared<PrintSession>(), std::make_shared<ImageDocument>(),
               SlowlySetCopies(5));
  worker.Abandon();
  EXPECT_TRUE(worker.isFinished());
  QTest::qWait(50);
  EXPECT_TRUE(finished.isEmpty());
}

TEST_F(WindowLoadTest, AnUnreadableImageIsReportedInOneBox) {
  MessageAnswerer boxes;
  auto w = Open();
  QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
  w->OpenImage(QStringLiteral(NVX_TEST_DATA_DIR "/images/truncated.png"));
  ASSERT_TRUE(WaitForLoad(loaded, *w));
  EXPECT_FALSE(loaded.front().front().toBool());
  QTest::qWait(100);  // a box posted late would have shown by now
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts().front(), "LIB PNG ERROR");
  EXPECT_FALSE(w->ImageLoaded());
}

// The worker loads with a copy of the settings: the window's own, which the
// timer reads to fill the printer list, do not change while it runs, and the
// load's writes (crop mode off) arrive when it hands back.
TEST_F(WindowLoadTest, TheWindowsSettingsChangeOnlyWhenTheWorkerHandsBack) {
  MessageAnswerer boxes;
  auto w = Open();
  WriteSetting(w->Files(), "Active", "Crop", "5");
  QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
  w->OpenImage(kPhoto);
  ASSERT_TRUE(w->Busy());
  std::set<std::string> seen;
  QElapsedTimer clock;
  clock.start();
  while (w->Busy() && clock.elapsed() < kWindowWaitMs) {
    seen.insert(ReadSetting(w->Files(), "Active", "Crop"));
    QTest::qWait(2);
  }
  ASSERT_TRUE(WaitForLoad(loaded, *w));
  ASSERT_TRUE(loaded.front().front().toBool());
  EXPECT_EQ(seen, std::set<std::string>{"5"});
  EXPECT_EQ(ReadSetting(w->Files(), "Active", "Crop"), "0");
}

// A second start hands its image over while the curve editor is open: the
// image under the editor stays until it closes, then the new one opens.
TEST_F(WindowLoadTest, AnImageHandedOverUnderADialogWaitsUntilItCloses) {
  MessageAnswerer boxes;
  auto w = Open();
  ASSERT_TRUE(Load(*w, kSmallPhoto.toStdString()));
  QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
  bool underDialog = false;
  bool busyUnderDialog = true;
  QTimer::singleShot(0, w.get(), [&] {
    QWidget* editor = QApplication::activeModalWidget();
    if (!editor) return;
    w->OpenImage(kPhoto);
    QTest::qWait(300);
    underDialog = true;
    busyUnderDialog = w->Busy() || !loaded.isEmpty();
    editor->close();
  });
  w->findChild<QAction*>(QStringLiteral("actionCurveEditor"))->trigger();
  ASSERT_TRUE(underDialog);
  EXPECT_FALSE(busyUnderDialog) << "the image under the editor was replaced";
  ASSERT_TRUE(WaitForLoad(loaded, *w));
  EXPECT_TRUE(loaded.front().front().toBool());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - coffee120.tif"));
}

// One handed over while the worker loads another waits for it, instead of being dropped.
TEST_F(WindowLoadTest, AnImageHandedOverWhileTheWorkerLoadsOpensAfterIt) {
  MessageAnswerer boxes;
  auto w = Open();
  QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
  w->OpenImage(kSmallPhoto);
  ASSERT_TRUE(w->Busy());
  w->OpenImage(kPhoto);
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.size() == 2 && !w->Busy(); }, kWindowWaitMs));
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - coffee120.tif"));
}

// Without the printer maker's profile a generic one stands in: the status bar
// says so at the first load of the window, and no box asks for an answer.
TEST_F(WindowLoadTest, TheStandInPrinterProfileIsToldOnceInTheStatusBar) {
  MessageAnswerer boxes;
  auto w = Open();
  ASSERT_TRUE(Load(*w, kSmallPhoto.toStdString()));
  EXPECT_TRUE(w->statusBar()->currentMessage().contains(QStringLiteral("is not installed")))
      << w->statusBar()->currentMessage().toStdString();
  ASSERT_TRUE(Load(*w, kSmallPhoto.toStdString()));
  EXPECT_FALSE(w->statusBar()->currentMessage().contains(QStringLiteral("is not installed")));
  EXPECT_TRUE(boxes.Texts().empty()) << boxes.Texts().front();
}

TEST_F(WindowLoadTest, TransparentAreasPrintingTheirColourAreToldUntilBackgroundRemovalIsOn) {
  MessageAnswerer boxes;
  auto w = Open();
  ASSERT_TRUE(Load(*w, kTransparent.toStdString()));
  EXPECT_TRUE(w->statusBar()->currentMessage().contains(QStringLiteral("transparent areas")))
      << w->statusBar()->currentMessage().toStdString();

  QSignalSpy reloaded(w.get(), &MainWindow::loadFinished);
  w->findChild<QCheckBox*>(QStringLiteral("backgroundRemoval"))->click();
  ASSERT_TRUE(WaitForLoad(reloaded, *w));
  EXPECT_FALSE(w->statusBar()->currentMessage().contains(QStringLiteral("transparent areas")));
}

// The full-size preview is drawn on a pool thread with state the window owns:
// a window that goes meanwhile waits for the drawing instead of leaving it
// that state freed (which the address sanitizer's run of this test reports).
TEST_F(WindowLoadTest, AWindowGoingWhileTheFullSizePreviewIsDrawnWaitsForIt) {
  MessageAnswerer boxes;
  auto w = Open();
  ASSERT_TRUE(Load(*w, kPhoto.toStdString()));
  QThreadPool& pool = *QThreadPool::globalInstance();
  ASSERT_TRUE(WaitUntilFramed(*w));
  w->resize(1600, 1000);  // a quick drawing, then the full size once the resizes pause
  QElapsedTimer clock;
  clock.start();
  while (pool.activeThreadCount() == 0 && clock.elapsed() < kWindowWaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  ASSERT_GT(pool.activeThreadCount(), 0);
  w.reset();
  pool.waitForDone();
}

}  // namespace
}  // namespace nvx::app
