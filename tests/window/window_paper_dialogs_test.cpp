#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "settings/paper.h"
#include "settings/settings_keys.h"
#include "support/command.h"
#include "support/temp_folder.h"
#include "window/main_window.h"
#include "window/offscreen_app.h"
#include "window/paper_dialogs.h"
#include "window/window_fixture.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

class PaperDialogTest : public testing::Test {
 protected:
  test::TempFolder home;
  PrintSession session;

  void SetUp() override {
    App();
    test::UseIsolatedEnv(home.path(), NVX_SHARE_DIR);
    setenv("CUPS_SERVER", (home / "no-cups").c_str(), 1);  // no printers to wait for
  }

  void Open(const std::string& model, std::string_view unit = "M") {
    ASSERT_TRUE(OpenPrintSession(session, model).ok());
    WriteSetting(session.files, keys::kActive, keys::kUnit, unit);
  }

  // Types over what the box holds, as a user selecting it all first would.
  static void Type(const QWidget& dialog, const char* box, const QString& text) {
    auto* edit = Child<QLineEdit>(dialog, box);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
  }

  static void Click(const QWidget& dialog, const char* button) {
    QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
  }

  static QString BoxText(const QWidget& dialog, const char* box) {
    return Child<QLineEdit>(dialog, box)->text();
  }
};

TEST_F(PaperDialogTest, SavedPaperJoinsTheWindowsListAsPaperListShowsItAndDeleteTakesItOut) {
  auto work = std::make_unique<WindowWork>();
  ASSERT_TRUE(OpenPrintSession(work->session, "C711WT").ok());
  MainWindow window(WindowContext{NVX_SHARE_DIR, {}, {}}, std::move(work));
  window.show();
  auto* papers = Child<QComboBox>(window, "paperList");
  auto* action = Child<QAction>(window, "actionCustomPaper");

  for (const char* name : {"Tee 200", "Mug 150"}) {
    WhenDialogOpens([&](QDialog& d) {
      Type(d, "paperWidth", QStringLiteral("200"));
      Type(d, "paperHeight", QStringLiteral("300"));
      Type(d, "paperName", QString::fromUtf8(name));
      Click(d, "ok");
    });
    action->trigger();
  }
  ASSERT_GE(papers->findText(QStringLiteral("Tee 200")), 0);
  EXPECT_EQ(papers->currentText(), QStringLiteral("A4")) << "the chosen paper stays chosen";

  window.CommitSettings();
  test::CliResult list = test::RunNvxprint({"paper", "list", "--model", "C711WT"},
                                           test::IsolatedEnv(home.path(), NVX_SHARE_DIR));
  ASSERT_EQ(list.status, 0) << list.err;
  QStringList shown;
  for (int i = 0; i < papers->count(); ++i) shown << papers->itemText(i) + QLatin1Char('\n');
  EXPECT_EQ(list.out, shown.join(QString()).toStdString());

  // Delete stores at once: even a cancelled dialog leaves the list without it.
  WhenDialogOpens([&](QDialog& d) {
    auto* stored = Child<QListWidget>(d, "customPapers");
    ASSERT_EQ(stored->count(), 2);
    QTest::mouseClick(stored->viewport(), Qt::LeftButton, {},
                      stored->visualItemRect(stored->item(0)).center());
    EXPECT_EQ(BoxText(d, "paperName"), QStringLiteral("Tee 200"))
        << "a stored size fills the boxes";
    Click(d, "paperDelete");
    EXPECT_EQ(stored->count(), 1);
    Click(d, "cancel");
  });
  action->trigger();
  EXPECT_EQ(papers->findText(QStringLiteral("Tee 200")), -1);
  EXPECT_GE(papers->findText(QStringLiteral("Mug 150")), 0);
}

struct RangeCase {
  const char* name;
  const char* model;
  const char* unit;
  const char* width;
  const char* height;
  bool widthMarked;
  bool heightMarked;
  const char* rangeShown;
};

class PaperRange : public PaperDialogTest, public testing::WithParamInterface<RangeCase> {};

// A size outside the class's range is marked "----" in its box, the message
// gives the range in the user's unit, nothing is stored and the dialog stays open.
TEST_P(PaperRange, OutOfRangeSizeIsMarkedAndNotStored) {
  const RangeCase& c = GetParam();
  Open(c.model, c.unit);
  auto dialog = MakeCustomPaperDialog(nullptr, session);
  dialog->show();
  Type(*dialog, "paperWidth", QString::fromUtf8(c.width));
  Type(*dialog, "paperHeight", QString::fromUtf8(c.height));
  Type(*dialog, "paperName", QStringLiteral("Too big"));
  Click(*dialog, "ok");
  EXPECT_EQ(BoxText(*dialog, "paperWidth") == QStringLiteral("----"), c.widthMarked);
  EXPECT_EQ(BoxText(*dialog, "paperHeight") == QStringLiteral("----"), c.heightMarked);
  EXPECT_TRUE(
      Child<QLabel>(*dialog, "paperMessage")->text().contains(QString::fromUtf8(c.rangeShown)))
      << Child<QLabel>(*dialog, "paperMessage")->text().toStdString();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(ReadCustomPapers(session.files).empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaperRange,
                         testing::Values(RangeCase{"WideOnAnA4Model", "C711WT", "M", "220", "300",
                                                   true, false, "(63...215.9)"},
                                         RangeCase{"BothOnAnA4ModelInInches", "C711WT", "I", "9",
                                                   "60", true, true, "(2.52...8.50)"},
                                         RangeCase{"TallOnAnA3ModelInCm", "Pro9420WT", "C", "30",
                                                   "130", false, true, "(8.996..120.015)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaperDialogTest, MarginsBelowTheLeastAreRaisedAndUntouchedBoxesKeepTheirValue) {
  Open("C711WT");
  WriteMargins(session.files, {1500, 1500, 1500, 1500});
  session.userMargins = ReadMargins(session.files);
  for (const auto& [printer, least] :
       {std::pair{std::string("OKI C711WT"), 1296}, {std::string("RICOH Pro 8432"), 1200}}) {
    auto dialog = MakeMarginDialog(nullptr, session, printer);
    dialog->show();
    EXPECT_EQ(BoxText(*dialog, "leftMargin"), QStringLiteral("5.3"));
    Type(*dialog, "topMargin", QStringLiteral("3"));
    Type(*dialog, "bottomMargin", QStringLiteral("10"));
    Click(*dialog, "ok");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(ReadMargins(session.files), (PageMargins{least, 1500, 1500, 2835})) << printer;
    EXPECT_EQ(session.userMargins, ReadMargins(session.files));
  }
}

TEST_F(PaperDialogTest, CancelStoresNothingAndPrinterMarginsShowTheirPrintableArea) {
  Open("C711WT");
  auto margins = MakeMarginDialog(nullptr, session, "OKI C711WT");
  margins->show();
  Type(*margins, "topMargin", QStringLiteral("40"));
  Click(*margins, "getPrinterMargins");
  EXPECT_EQ(BoxText(*margins, "bottomMargin"), QStringLiteral("4.61"));
  EXPECT_EQ(Child<QLabel>(*margins, "printableArea")->text(), QStringLiteral("200.76 x 287.85 mm"))
      << "A4 less the printer's margins";
  Type(*margins, "leftMargin", QStringLiteral("25"));
  Click(*margins, "cancel");
  EXPECT_EQ(ReadMargins(session.files), kStandardMargins);

  auto paper = MakeCustomPaperDialog(nullptr, session);
  paper->show();
  Type(*paper, "paperWidth", QStringLiteral("200"));
  Type(*paper, "paperHeight", QStringLiteral("300"));
  Type(*paper, "paperName", QStringLiteral("Kept"));
  Click(*paper, "cancel");
  EXPECT_TRUE(ReadCustomPapers(session.files).empty());
}

// Letters never reach a margin box, and a box left without a number is
// refused in place instead of being stored as the least margin.
TEST_F(PaperDialogTest, MarginBoxesTakeNumbersOnly) {
  Open("C711WT");
  auto dialog = MakeMarginDialog(nullptr, session, "OKI C711WT");
  dialog->show();
  Type(*dialog, "topMargin", QStringLiteral("abc"));
  EXPECT_EQ(BoxText(*dialog, "topMargin"), QStringLiteral("4.6")) << "the letters were refused";
  Type(*dialog, "topMargin", QStringLiteral("1x2.5y"));
  EXPECT_EQ(BoxText(*dialog, "topMargin"), QStringLiteral("12.5"));
  QTest::keyClick(Child<QLineEdit>(*dialog, "leftMargin"), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Child<QLineEdit>(*dialog, "leftMargin"), Qt::Key_Backspace);
  Click(*dialog, "ok");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(Child<QLabel>(*dialog, "marginMessage")->text().contains(QStringLiteral("LEFT")));
  EXPECT_EQ(ReadMargins(session.files), kStandardMargins);

  Type(*dialog, "leftMargin", QStringLiteral("7"));
  Click(*dialog, "ok");
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(ReadMargins(session.files), (PageMargins{3543, 1984, 1296, 1308})) << "bottom raised";
}

// Margins that leave nothing of the paper are refused in place: a job on them
// would have no room for the image.
TEST_F(PaperDialogTest, MarginsLeavingNoPrintableAreaAreRefused) {
  Open("C711WT");
  auto dialog = MakeMarginDialog(nullptr, session, "OKI C711WT");
  dialog->show();
  Type(*dialog, "leftMargin", QStringLiteral("110"));
  Type(*dialog, "rightMargin", QStringLiteral("110"));
  Click(*dialog, "ok");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(Child<QLabel>(*dialog, "marginMessage")->text().isEmpty());
  EXPECT_EQ(ReadMargins(session.files), kStandardMargins);
}

}  // namespace
}  // namespace nvx::app
