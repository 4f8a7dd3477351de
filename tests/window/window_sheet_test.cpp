#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <cmath>

#include "job/sheet.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "window/main_window.h"
#include "window/preview_widget.h"
#include "window/sheet_work.h"
#include "window/window_fixture.h"

namespace nvx::app {
namespace {

constexpr int kWaitMs = 60000;
constexpr double kPointsPerMm = 72 / 25.4;

class WindowSheetTest : public WindowFixture {
 protected:
  // A design of w x h pixels at 300 dpi: a coloured block on a transparent ground.
  std::string Design(const char* name, int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(w / 10, h / 10, w - w / 5, h - h / 5, colour);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    const std::string file = (home / name).string();
    EXPECT_TRUE(image.save(QString::fromStdString(file), "PNG"));
    return file;
  }

  static SheetWork& SheetOf(MainWindow& w) { return *Child<SheetWork>(w, "sheetWork"); }

  // Runs `act` and waits until the sheet is drawn (or the edit refused) and the worker is done.
  static bool Drawn(MainWindow& w, const std::function<void()>& act) {
    QSignalSpy drawn(&SheetOf(w), &SheetWork::sheetDrawn);
    act();
    return QTest::qWaitFor([&] { return !drawn.isEmpty() && !w.Busy(); }, kWaitMs);
  }

  // A new sheet with the files dropped on the preview.
  std::unique_ptr<MainWindow> SheetWindow(const std::vector<std::string>& files) {
    auto w = Open();
    w->findChild<QAction*>(QStringLiteral("actionNewSheet"))->trigger();
    QList<QByteArray> dropped;
    for (const std::string& f : files) dropped << QByteArray::fromStdString(f);
    auto* preview = Child<PreviewWidget>(*w, "preview");
    EXPECT_TRUE(Drawn(*w, [&] { emit preview->filesDropped(dropped); }));
    return w;
  }

  // Drags the copy drawn as outline `index` by `byPt` points on the page.
  static void DragCopy(MainWindow& w, int index, QPointF byPt) {
    auto* preview = Child<PreviewWidget>(w, "preview");
    const double pxPerPt = preview->Page().width() / double(w.Live().paperWidthPt);
    const QPointF centre = preview->Outlines().at(static_cast<std::size_t>(index)).center();
    const QPoint from = preview->ToWidget(centre).toPoint();
    const QPoint to = preview->ToWidget(centre + byPt * pxPerPt).toPoint();
    QTest::mousePress(preview, Qt::LeftButton, {}, from);
    QTest::mouseMove(preview, (from + to) / 2);
    QTest::mouseMove(preview, to);
    QTest::mouseRelease(preview, Qt::LeftButton, {}, to);
  }

  static int OutlineOf(const MainWindow& w, int item) {
    const std::vector<PlacedCopy>& copies =
        Child<SheetWork>(w, "sheetWork")->Layout().sheets.front().copies;
    for (std::size_t i = 0; i < copies.size(); ++i) {
      if (copies[i].item == item) return static_cast<int>(i);
    }
    return -1;
  }
};

TEST_F(WindowSheetTest, DroppedFilesAreArrangedSizedAndMovedByHand) {
  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
  const std::string wide = Design("wide.png", 600, 400, Qt::red);
  const std::string square = Design("square.png", 300, 300, Qt::blue);
  auto w = SheetWindow({wide, square});
  SheetWork& sheet = SheetOf(*w);
  EXPECT_TRUE(Child<QWidget>(*w, "sheetControls")->isVisible());
  EXPECT_FALSE(Child<QWidget>(*w, "sizeControls")->isVisible());
  EXPECT_FALSE(Child<QCheckBox>(*w, "rotate")->isEnabled());
  ASSERT_EQ(sheet.Current().items.size(), 2u);
  ASSERT_EQ(sheet.Layout().sheets.size(), 1u);
  EXPECT_EQ(Child<PreviewWidget>(*w, "preview")->Outlines().size(), 2u);
  EXPECT_TRUE(Child<QLabel>(*w, "sheetUsed")->text().endsWith(QStringLiteral("%")));
  EXPECT_TRUE(Child<QAbstractButton>(*w, "printButton")->isEnabled());

  // Copies of the chosen item, and a width whose height follows the design's proportions.
  auto* items = Child<QListWidget>(*w, "sheetItems");
  items->setCurrentRow(1);
  ASSERT_TRUE(Drawn(*w, [&] { Child<QSpinBox>(*w, "sheetCopies")->setValue(3); }));
  EXPECT_EQ(sheet.Layout().sheets.front().copies.size(), 4u);
  EXPECT_EQ(items->item(1)->text(), QStringLiteral("square.png  x3"));
  items->setCurrentRow(0);
  ASSERT_TRUE(Drawn(*w, [&] { Child<QDoubleSpinBox>(*w, "sheetWidth")->setValue(90); }));
  const SheetItem& resized = sheet.Current().items[0];
  EXPECT_NEAR(resized.widthPt, 90 * kPointsPerMm, 0.1);
  EXPECT_NEAR(resized.heightPt / resized.widthPt, 400.0 / 600, 1e-6);
  EXPECT_NEAR(Child<QDoubleSpinBox>(*w, "sheetHeight")->value(), 60, 0.01);

  // A copy dragged to a free place stays there; the sheet is then placed by hand.
  const PlacedCopy before = sheet.Layout().sheets.front().copies.at(OutlineOf(*w, 0));
  ASSERT_TRUE(Drawn(*w, [&] { DragCopy(*w, OutlineOf(*w, 0), {0, 400}); }));
  EXPECT_EQ(sheet.Current().arrangement, SheetArrangement::Manual);
  const CopyPosition moved = sheet.Current().items[0].positions.at(0);
  EXPECT_NEAR(moved.yPt, before.yPt + 400, 3);
  EXPECT_NEAR(moved.xPt, before.xPt, 3);

  // One dropped onto another copy goes back, and the status bar says why.
  const std::vector<CopyPosition> squares = sheet.Current().items[1].positions;
  const QPointF onto =
      Child<PreviewWidget>(*w, "preview")->Outlines().at(OutlineOf(*w, 0)).center() -
      Child<PreviewWidget>(*w, "preview")->Outlines().at(OutlineOf(*w, 1)).center();
  const double pxPerPt =
      Child<PreviewWidget>(*w, "preview")->Page().width() / double(w->Live().paperWidthPt);
  ASSERT_TRUE(Drawn(*w, [&] { DragCopy(*w, OutlineOf(*w, 1), onto / pxPerPt); }));
  EXPECT_FALSE(w->statusBar()->currentMessage().isEmpty());
  ASSERT_EQ(sheet.Current().items[1].positions.size(), squares.size());
  EXPECT_EQ(sheet.Current().items[1].positions[0].yPt, squares[0].yPt);

  ASSERT_TRUE(Drawn(*w, [&] { Child<QPushButton>(*w, "sheetArrange")->click(); }));
  EXPECT_EQ(sheet.Current().arrangement, SheetArrangement::Automatic);

  // What does not fit goes onto further sheets, shown one at a time.
  items->setCurrentRow(0);
  ASSERT_TRUE(Drawn(*w, [&] { Child<QSpinBox>(*w, "sheetCopies")->setValue(12); }));
  ASSERT_EQ(sheet.Layout().sheets.size(), 2u);
  EXPECT_EQ(Child<QLabel>(*w, "sheetCount")->text(), QStringLiteral("Sheet 1 of 2"));
  ASSERT_TRUE(Drawn(*w, [&] { Child<QAbstractButton>(*w, "sheetNext")->click(); }));
  EXPECT_EQ(sheet.ShownSheet(), 1);
  EXPECT_EQ(Child<PreviewWidget>(*w, "preview")->Outlines().size(),
            sheet.Layout().sheets[1].copies.size());
  EXPECT_FALSE(Child<QAbstractButton>(*w, "sheetNext")->isEnabled());

  w->findChild<QAction*>(QStringLiteral("actionLeaveSheet"))->trigger();
  EXPECT_FALSE(Child<QWidget>(*w, "sheetControls")->isVisible());
  EXPECT_TRUE(Child<QWidget>(*w, "sizeControls")->isVisible());
  EXPECT_TRUE(Child<QCheckBox>(*w, "rotate")->isEnabled());
  EXPECT_TRUE(Child<PreviewWidget>(*w, "preview")->Outlines().empty());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - No File"));
}

// Each outline stands over its copy as the page shows it, mirrored or not, so
// a press picks the copy under the pointer.
// A file among those dropped that cannot be read is left out, and said why.
TEST_F(WindowSheetTest, OutlinesLieOverTheirCopiesAlsoWhenMirrored) {
  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
  test::WriteFileBytes(home / "broken.png", "\x89PNG\r\n\x1a\n not an image");
  auto w = SheetWindow({Design("wide.png", 600, 400, Qt::red), (home / "broken.png").string()});
  ASSERT_EQ(SheetOf(*w).Current().items.size(), 1u);
  EXPECT_TRUE(w->statusBar()->currentMessage().startsWith(QStringLiteral("broken.png")))
      << w->statusBar()->currentMessage().toStdString();
  auto* preview = Child<PreviewWidget>(*w, "preview");
  Child<QListWidget>(*w, "sheetItems")->setCurrentRow(0);
  ASSERT_TRUE(Drawn(*w, [&] { Child<QSpinBox>(*w, "sheetCopies")->setValue(3); }));
  for (bool mirrored : {false, true}) {
    if (mirrored) {
      ASSERT_TRUE(Drawn(*w, [&] { Child<QAbstractButton>(*w, "mirror")->click(); }));
      ASSERT_TRUE(w->Live().mirrorOn);
    }
    ASSERT_EQ(preview->Outlines().size(), 3u);
    for (const QRectF& outline : preview->Outlines()) {
      const QColor centre = preview->Page().pixelColor(outline.center().toPoint());
      EXPECT_GT(centre.red(), 150) << "mirrored " << mirrored;
      EXPECT_LT(centre.green(), 100) << "mirrored " << mirrored;
    }
  }
}

// A sheet file whose design has gone opens unarranged and says which; taking
// that item off arranges the rest.
TEST_F(WindowSheetTest, ASheetWithAMissingDesignOpensForMending) {
  MessageAnswerer answers(QMessageBox::NoButton, /*closeDialogs=*/true);
  Design("wide.png", 600, 400, Qt::red);
  test::WriteFileBytes(home / "mend.json",
                       R"({"items": [{"file": "wide.png"}, {"file": "gone.png", "copies": 2}]})");
  auto w = Open();
  ASSERT_TRUE(Drawn(*w, [&] { w->OpenImage(home / "mend.json"); }));
  SheetWork& sheet = SheetOf(*w);
  EXPECT_EQ(sheet.Current().items.size(), 2u);
  EXPECT_TRUE(sheet.Layout().sheets.empty());
  EXPECT_TRUE(w->statusBar()->currentMessage().contains(QStringLiteral("gone.png")))
      << w->statusBar()->currentMessage().toStdString();
  EXPECT_FALSE(Child<QAbstractButton>(*w, "printButton")->isEnabled());

  Child<QListWidget>(*w, "sheetItems")->setCurrentRow(1);
  ASSERT_TRUE(Drawn(*w, [&] { Child<QPushButton>(*w, "sheetRemove")->click(); }));
  ASSERT_EQ(sheet.Current().items.size(), 1u);
  EXPECT_EQ(sheet.Layout().sheets.size(), 1u);
  EXPECT_TRUE(Child<QAbstractButton>(*w, "printButton")->isEnabled());
}

// The sheet saved from the window opens again as it was, and the printer gets
// from the window the bytes the command line writes for that file.
TEST_F(WindowSheetTest, TheSavedSheetReopensAndPrintsAsFromTheCommandLine) {
  MessageAnswerer answers;  // the file dialog is the test's
  const std::string wide = Design("wide.png", 600, 400, Qt::red);
  const std::string square = Design("square.png", 300, 300, QColor(0, 120, 40));
  const std::string printerWhy = StartPrinter();
  auto w = SheetWindow({wide, square});
  SheetWork& sheet = SheetOf(*w);
  Child<QListWidget>(*w, "sheetItems")->setCurrentRow(1);
  ASSERT_TRUE(Drawn(*w, [&] { Child<QSpinBox>(*w, "sheetCopies")->setValue(2); }));
  ASSERT_TRUE(Drawn(*w, [&] { DragCopy(*w, OutlineOf(*w, 0), {100, 300}); }));
  ASSERT_EQ(sheet.Current().arrangement, SheetArrangement::Manual);

  const std::filesystem::path saved = home / "gang";
  WhenDialogOpens([&](QDialog& d) {
    auto* files = qobject_cast<QFileDialog*>(&d);
    ASSERT_NE(files, nullptr);
    // Typed as the user does: a chosen file waits for the folder's listing.
    Child<QLineEdit>(files, "fileNameEdit")->setText(QString::fromStdString(saved.string()));
    static_cast<QDialog*>(files)->accept();
  });
  w->findChild<QAction*>(QStringLiteral("actionSaveSheet"))->trigger();
  const std::filesystem::path file = home / "gang.json";
  ASSERT_TRUE(std::filesystem::exists(file));

  auto again = Open();
  ASSERT_TRUE(Drawn(*again, [&] { again->OpenImage(file); }));
  EXPECT_EQ(again->windowTitle(), QStringLiteral("Nivalux Pro - gang.json"));
  const Sheet& reopened = SheetOf(*again).Current();
  ASSERT_EQ(reopened.items.size(), 2u);
  EXPECT_EQ(reopened.arrangement, SheetArrangement::Manual);
  EXPECT_EQ(reopened.items[1].copies, 2);
  EXPECT_NEAR(reopened.items[0].positions.at(0).xPt, sheet.Current().items[0].positions[0].xPt,
              0.01);
  again.reset();

  if (!printerWhy.empty()) GTEST_SKIP() << printerWhy;
  ASSERT_EQ(w->Live().printer, "OKI-C711WT-test");
  const std::string job = PrintFrom(*w);
  ASSERT_FALSE(job.empty());
  w->CommitSettings();
  const pid_t pid = test::StartProcess(
      {NVX_BINARY, "sheet", "--sheet", file.string(), "--to", (home / "cli.prn").string()}, {},
      home / "cli.log", home / "cli.log");
  ASSERT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cli.log");
  const std::string expected = test::ReadFileBytes(home / "cli.prn");
  ASSERT_GT(expected.size(), 10000u);
  EXPECT_EQ(job.size(), expected.size());
  EXPECT_TRUE(job == expected) << "the window's sheet differs from the command line's";
}

}  // namespace
}  // namespace nvx::app
