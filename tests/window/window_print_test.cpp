#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "support/process.h"
#include "support/temp_folder.h"
#include "support/vector_artwork.h"
#include "window/curve_editor.h"
#include "window/main_window.h"
#include "window/preview_widget.h"
#include "window/window_fixture.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee120.tif";
constexpr int kWaitMs = 60000;

using WindowPrintTest = WindowFixture;

TEST_F(WindowPrintTest, OpeningAnImageShowsItAndMovingASliderRedrawsThePreview) {
  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
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
  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
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

  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
  auto w = Open();
  auto* media = w->findChild<QComboBox*>(QStringLiteral("mediaList"));
  media->setCurrentIndex(media->findText(QStringLiteral("KTC3.1")));
  auto* copies = w->findChild<QLineEdit*>(QStringLiteral("copies"));
  copies->setText(QStringLiteral("2"));
  emit copies->editingFinished();
  ASSERT_TRUE(Load(*w, kPhoto));
  ASSERT_EQ(w->Live().printer, "OKI-C711WT-test");

  const std::string job = PrintFrom(*w);
  ASSERT_FALSE(job.empty());
  w->CommitSettings();

  const pid_t pid = test::StartProcess({NVX_BINARY, "print", kPhoto, "--media", "KTC3.1",
                                        "--copies", "2", "--to", (home / "cli.prn").string()},
                                       {}, home / "cli.log", home / "cli.log");
  ASSERT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cli.log");
  const std::string expected = test::ReadFileBytes(home / "cli.prn");
  ASSERT_GT(expected.size(), 10000u);
  EXPECT_EQ(job.size(), expected.size());
  EXPECT_TRUE(job == expected) << "the window's job differs from the command line's";
}

// The preview follows a drag in the curve editor before the button is let go;
// Cancel brings back the points and the preview the editor opened with.
TEST_F(WindowPrintTest, TheCurveEditorRedrawsThePreviewWhileDraggingAndCancelRestoresIt) {
  auto w = Open();
  {
    MessageAnswerer answers(
        QMessageBox::NoButton,
        /*closeDialogs=*/true);  // only while loading: it would close the editor too
    ASSERT_TRUE(Load(*w, kPhoto));
  }
  auto* preview = w->findChild<PreviewWidget*>(QStringLiteral("preview"));
  const QImage before = preview->Page();
  const ColourAdjustPoints opened = w->Live().colourPoints;
  QImage during;
  ColourAdjustPoints duringPoints;
  QTimer::singleShot(0, w.get(), [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* canvas = modal ? modal->findChild<CurveCanvas*>() : nullptr;
    if (canvas) {
      const QPoint end = canvas->HandlePosition(CurveHandle::P0).toPoint();
      QTest::mousePress(canvas, Qt::LeftButton, {}, end);
      QTest::mouseMove(canvas, end + QPoint(0, 120));
      during = preview->Page();
      duringPoints = w->Live().colourPoints;
      QTest::mouseRelease(canvas, Qt::LeftButton, {}, end + QPoint(0, 120));
      modal->findChild<QPushButton*>(QStringLiteral("curveCancel"))->click();
    } else if (modal) {
      modal->close();
    }
  });
  w->findChild<QAction*>(QStringLiteral("actionCurveEditor"))->trigger();
  EXPECT_NE(duringPoints, opened);
  EXPECT_FALSE(during.isNull());
  EXPECT_NE(during, before) << "a lower curve end prints lighter";
  EXPECT_EQ(w->Live().colourPoints, opened);
  EXPECT_EQ(preview->Page(), before);
}

// Load Defaults stores the queue the window prints to, not a default name this
// system has no queue for.
TEST_F(WindowPrintTest, LoadDefaultsKeepsThePrinterInUse) {
  if (std::string why = StartPrinter(); !why.empty()) GTEST_SKIP() << why;
  auto w = Open();
  w->findChild<QAction*>(QStringLiteral("actionLoadDefaults"))->trigger();
  w->CommitSettings();
  EXPECT_EQ(w->findChild<QComboBox*>(QStringLiteral("printerList"))->currentText(),
            QStringLiteral("OKI-C711WT-test"));
  EXPECT_EQ(ReadSetting(w->Files(), "Active", "Printer"), "OKI-C711WT-test");
}

// "White Choke" reaches the printer as --white-choke does from the command line,
// and the white display shows it at once.
TEST_F(WindowPrintTest, TheWhiteChokeBoxReachesTheJobAsTheCommandLinesOption) {
  if (std::string why = StartPrinter(); !why.empty()) GTEST_SKIP() << why;

  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
  auto w = Open();
  auto* media = w->findChild<QComboBox*>(QStringLiteral("mediaList"));
  media->setCurrentIndex(media->findText(QStringLiteral("HST 9.1")));  // a medium with white
  ASSERT_TRUE(Load(*w, kPhoto));
  ASSERT_TRUE(w->Live().printWhite);
  w->findChild<QAbstractButton*>(QStringLiteral("displayWhite"))->click();
  ASSERT_TRUE(w->Live().displayWhite);
  auto* preview = w->findChild<PreviewWidget*>(QStringLiteral("preview"));
  const QImage unchoked = preview->Page();
  auto* choke = w->findChild<QDoubleSpinBox*>(QStringLiteral("whiteChoke"));
  choke->selectAll();
  QTest::keyClicks(choke, QStringLiteral("1.5"));
  QTest::keyClick(choke, Qt::Key_Return);
  EXPECT_DOUBLE_EQ(w->Live().whiteChokeMm, 1.5);
  EXPECT_EQ(ReadSetting(w->Files(), "Active", "White Choke"), "1.5");
  EXPECT_NE(preview->Page(), unchoked);

  const std::string job = PrintFrom(*w);
  ASSERT_FALSE(job.empty());
  w->CommitSettings();

  auto commandLineJob = [this](const char* mm) {
    const std::filesystem::path job = home / (std::string("cli-") + mm + ".prn");
    const pid_t pid = test::StartProcess({NVX_BINARY, "print", kPhoto, "--media", "HST 9.1",
                                          "--white-choke", mm, "--to", job.string()},
                                         {}, home / "cli.log", home / "cli.log");
    EXPECT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cli.log");
    return test::ReadFileBytes(job);
  };
  EXPECT_TRUE(job == commandLineJob("1.5")) << "the window's job differs";
  EXPECT_FALSE(job == commandLineJob("0")) << "the choke changed nothing";

  w->findChild<QAction*>(QStringLiteral("actionLoadDefaults"))->trigger();
  EXPECT_EQ(choke->value(), 0);
  EXPECT_EQ(ReadSetting(w->Files(), "Active", "White Choke"), "0");
}

// A dropped two-page PDF opens with the page chooser; its resolution and page
// reach the printer as --render-dpi and --page do. The preview shows the
// black substrate through the empty page, Background Removal off.
TEST_F(WindowPrintTest, APdfsResolutionAndPagePrintAsTheCommandLinesOptions) {
  if (std::string why = StartPrinter(); !why.empty()) GTEST_SKIP() << why;
  const std::filesystem::path pdf = home / "two pages.pdf";
  ASSERT_TRUE(test::WritePdf(pdf, test::CirclePages({"1 0 0", "0 0 1"})));

  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
  auto w = Open();
  ASSERT_FALSE(w->Live().backgroundRemoval);
  auto* pageBox = w->findChild<QSpinBox*>(QStringLiteral("renderPage"));
  auto* dpiBox = w->findChild<QSpinBox*>(QStringLiteral("renderDpi"));
  ASSERT_TRUE(pageBox && dpiBox);
  EXPECT_EQ(dpiBox->value(), 300);
  EXPECT_FALSE(pageBox->isVisibleTo(w.get())) << "no document of pages yet";
  auto loadAfter = [&](const std::function<void()>& act) {
    QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
    act();
    return loaded.wait(kWaitMs) && loaded.front().front().toBool() &&
           QTest::qWaitFor([&] { return !w->Busy(); }, kWaitMs);
  };
  auto* preview = w->findChild<PreviewWidget*>(QStringLiteral("preview"));
  ASSERT_TRUE(loadAfter([&] { emit preview->filesDropped({QByteArray::fromStdString(pdf)}); }));
  EXPECT_TRUE(pageBox->isVisibleTo(w.get()));
  EXPECT_EQ(pageBox->maximum(), 2);
  ASSERT_TRUE(loadAfter([&] { dpiBox->setValue(150); }));
  ASSERT_TRUE(loadAfter([&] { pageBox->setValue(2); }));
  EXPECT_EQ(w->Live().renderDpi, 150);
  EXPECT_EQ(w->Live().page, 2);

  // Across the middle of the sheet: the blue circle, the empty page of the
  // artwork beside it, and the sheet beyond the artwork, the same black.
  QSignalSpy redrawn(w.get(), &MainWindow::previewRedrawn);
  w->findChild<QAbstractButton*>(QStringLiteral("substrate3"))->click();
  ASSERT_TRUE(!redrawn.isEmpty() || redrawn.wait(kWaitMs));
  const QImage sheet = preview->Page();
  ASSERT_FALSE(sheet.isNull());
  auto at = [&](double x) { return sheet.pixelColor(x * sheet.width(), sheet.height() / 2); };
  EXPECT_GT(at(0.5).blue(), 150);
  EXPECT_EQ(at(0.69), at(0.8)) << "the artwork's empty page is drawn over the substrate";

  const std::string job = PrintFrom(*w);
  ASSERT_FALSE(job.empty());
  w->CommitSettings();
  const pid_t pid = test::StartProcess({NVX_BINARY, "print", pdf.string(), "--render-dpi", "150",
                                        "--page", "2", "--to", (home / "cli.prn").string()},
                                       {}, home / "cli.log", home / "cli.log");
  ASSERT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cli.log");
  const std::string expected = test::ReadFileBytes(home / "cli.prn");
  EXPECT_EQ(job.size(), expected.size());
  EXPECT_TRUE(job == expected) << "the window's job differs from the command line's";
}

// Utility › Compact Print Jobs is the stored form of --compact.
TEST_F(WindowPrintTest, CompactPrintJobsIsKeptInTheSettings) {
  auto w = Open();
  auto* compact = w->findChild<QAction*>(QStringLiteral("actionCompactJobs"));
  ASSERT_NE(compact, nullptr);
  EXPECT_FALSE(compact->isChecked());
  compact->trigger();
  EXPECT_TRUE(w->Live().compactRaster);
  EXPECT_EQ(ReadSetting(w->Files(), "Active", "Compact"), "1");
}

// A dropped file's name is its own bytes: a name that is not UTF-8 opens.
TEST_F(WindowPrintTest, ADroppedImageOfAnyNameOpens) {
  MessageAnswerer answers;
  auto w = Open();
  const std::filesystem::path photo = home / "lat\xe9 #1.tif";
  std::filesystem::copy_file(kPhoto, photo);
  auto* preview = w->findChild<PreviewWidget*>(QStringLiteral("preview"));
  ASSERT_NE(preview, nullptr);
  QSignalSpy dropped(preview, &PreviewWidget::filesDropped);
  QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
  QMimeData data;
  data.setUrls({QUrl::fromEncoded(
      "file://" + QByteArray::fromStdString(photo.string()).toPercentEncoding("/"))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(preview)->event(&drop);  // as the drag manager hands it over
  ASSERT_EQ(dropped.size(), 1);
  EXPECT_EQ(dropped.front().front().value<QList<QByteArray>>().value(0).toStdString(),
            photo.string());
  ASSERT_TRUE(loaded.wait(kWaitMs));
  EXPECT_TRUE(loaded.front().front().toBool());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w->Busy(); }, kWaitMs));
}

}  // namespace
}  // namespace nvx::app
