#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/process.h"
#include "support/temp_folder.h"
#include "window/cost_dialogs.h"
#include "window/main_window.h"
#include "window/qt_text.h"
#include "window/window_fixture.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee120.tif";
constexpr int kWaitMs = 60000;

void Retype(QLineEdit* box, const QString& text) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

void ClickOk(QDialog* dialog) {
  QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                    Qt::LeftButton);
}

QString LabelText(QWidget* dialog, const char* name) { return Child<QLabel>(dialog, name)->text(); }

using CostSettingsDialogTest = DialogTest;

TEST_F(CostSettingsDialogTest, ABadYieldIsRefusedAsTypedAndOkSaysWhy) {
  auto dialog = MakeCostSettingsDialog(nullptr, files, text);
  dialog->show();
  EXPECT_EQ(ReadSetting(files, "Stats", "CMYT"), "CMY,11500,5%,216,A4") << "default on opening";
  EXPECT_EQ(ReadSetting(files, "Stats", "Currancy"), "Euro");
  EXPECT_EQ(ReadSetting(files, "Stats", "Option"), "3");
  EXPECT_EQ(Child<QLineEdit>(dialog.get(), "WhitT_coverage")->placeholderText(),
            QStringLiteral("5%"));

  QLineEdit* yield = Child<QLineEdit>(dialog.get(), "CMYT_yield");
  Retype(yield, QStringLiteral("9x0"));
  EXPECT_EQ(yield->text(), QStringLiteral("90")) << "a letter is never taken";
  Retype(yield, QStringLiteral("0"));
  EXPECT_TRUE(LabelText(dialog.get(), "costMessage").contains(QStringLiteral("yield")));

  ClickOk(dialog.get());
  EXPECT_TRUE(dialog->isVisible()) << "OK is refused while the yield is 0";
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(dialog->focusWidget(), yield) << "the box to fix";
  EXPECT_EQ(LabelText(dialog.get(), "costMessage"),
            QStringLiteral("Colour Toner: the yield must be a number of pages above 0."));
  EXPECT_EQ(ReadSetting(files, "Stats", "CMYT"), "CMY,11500,5%,216,A4") << "nothing written";

  Retype(yield, QStringLiteral("12000"));
  EXPECT_TRUE(LabelText(dialog.get(), "costMessage").isEmpty());
  Retype(Child<QLineEdit>(dialog.get(), "Fuser_yield"), QStringLiteral("60000"));
  Retype(Child<QLineEdit>(dialog.get(), "Fuser_price"), QStringLiteral("120.5"));
  QTest::mouseClick(Child<QAbstractButton>(dialog.get(), "option2"), Qt::LeftButton);
  ClickOk(dialog.get());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(ReadSetting(files, "Stats", "CMYT"), "CMY,12000,5%,216,A4");
  EXPECT_EQ(ReadSetting(files, "Stats", "Fuser"), ",60000,120.5");
  EXPECT_EQ(ReadSetting(files, "Stats", "Option"), "2");
}

TEST_F(CostSettingsDialogTest, AStoredWrongCharacterCanBeRemovedButNoneTyped) {
  WriteSetting(files, "Stats", "IDWH", "WD,20000pp,90");
  auto dialog = MakeCostSettingsDialog(nullptr, files, text);
  dialog->show();
  QLineEdit* yield = Child<QLineEdit>(dialog.get(), "IDWH_yield");
  yield->setFocus();
  QTest::keyClick(yield, Qt::Key_End);
  QTest::keyClick(yield, Qt::Key_Backspace);
  QTest::keyClicks(yield, QStringLiteral("q"));
  EXPECT_EQ(yield->text(), QStringLiteral("20000p"));
  QTest::keyClick(yield, Qt::Key_Backspace);
  ClickOk(dialog.get());
  EXPECT_EQ(ReadSetting(files, "Stats", "IDWH"), "WD,20000,90");
}

TEST(CostReportDialog, ShowsTheReportAndCopiesExactlyTheSummary) {
  App();
  PrintCost cost;
  cost.report = {"The Current setting is Print & Statistics",
                 "One print costs 0.11 Euro.\r\nFor 2"};
  cost.summary =
      "File \"a.png\" printed at KTC3.1 on 10:00:00 2026-12-08 would cost approximately "
      "0.11 Euro per print.\r\nFor 2 copies the overall cost is 0.22 Euro plus the "
      "transfer paper.";
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  auto dialog = MakeCostReportDialog(nullptr, cost, DefaultTextTable());
  dialog->show();
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Cost Report"));
  EXPECT_EQ(LabelText(dialog.get(), "costOptionLine"), Q(cost.report.optionLine));
  EXPECT_EQ(LabelText(dialog.get(), "costReportText"),
            QStringLiteral("One print costs 0.11 Euro.\nFor 2"));
  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("costNote")), nullptr);

  auto* copy = Child<QPushButton>(dialog.get(), "copySummary");
  EXPECT_EQ(copy->text(), QStringLiteral("Copy Summary"));
  QTest::mouseClick(copy, Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), cost.summary);
  EXPECT_TRUE(dialog->isVisible()) << "copying leaves the report open";
}

// The window against a private CUPS queue: the cost settings through the
// Utility menu, then prints with the statistics option at 1 and at 2.
class WindowCostTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (std::string why = StartPrinter(); !why.empty()) GTEST_SKIP() << why;
  }

  // Runs `drive` on the modal dialog the action opens, once it is up.
  static void OnModal(QAction* action, std::function<void(QDialog*)> drive) {
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        poll.stop();
        drive(dialog);
        if (dialog->isVisible()) {
          ADD_FAILURE() << "the dialog stayed open: "
                        << LabelText(dialog, "costMessage").toStdString();
          dialog->reject();
        }
      }
    });
    poll.start();
    action->trigger();
  }

  QDialog* Print(MainWindow& w, bool expectSent) {
    QSignalSpy printed(&w, &MainWindow::printFinished);
    QTest::mouseClick(Child<QAbstractButton>(&w, "printButton"), Qt::LeftButton);
    EXPECT_TRUE(printed.wait(kWaitMs));
    EXPECT_EQ(printed.front().front().toBool(), expectSent);
    return w.findChild<QDialog*>(QStringLiteral("costReport"));
  }

  std::string CostCommand() {
    const pid_t pid =
        test::StartProcess({NVX_BINARY, "cost", kPhoto, "--printer", "OKI-C711WT-test"}, {},
                           home / "cost.out", home / "cost.err");
    EXPECT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cost.err");
    return test::ReadFileBytes(home / "cost.out");
  }
};

TEST_F(WindowCostTest, CostOnlyPrintsNothingAndReportsWhatTheCostCommandReports) {
  MessageAnswerer messages;  // the stand-in profile's notice
  auto w = OpenTestWindow();
  ASSERT_TRUE(LoadInWindow(*w, kPhoto, kWaitMs));
  ASSERT_EQ(w->Live().printer, "OKI-C711WT-test");

  auto* action = Child<QAction>(w.get(), "actionCostStatistics");
  OnModal(action, [](QDialog* dialog) {
    Retype(Child<QLineEdit>(dialog, "CMYT_price"), QStringLiteral("432"));
    Retype(Child<QLineEdit>(dialog, "IDCMY_yield"), QStringLiteral("30000"));
    Retype(Child<QLineEdit>(dialog, "IDCMY_price"), QStringLiteral("150"));
    Retype(Child<QLineEdit>(dialog, "currency"), QStringLiteral("Pound"));
    QTest::mouseClick(Child<QAbstractButton>(dialog, "option1"), Qt::LeftButton);
    ClickOk(dialog);
  });

  // The command line prices with what OK stored.
  const std::string cli = CostCommand();
  const SettingsFiles stored{home / "config" / "NivaluxPro", home / "etc" / "NivaluxPro"};
  const std::string cliCost = ReadSetting(stored, "Stats", "TCOST");
  ASSERT_FALSE(cliCost.empty());
  EXPECT_NE(cli.find("The Current setting is Statistics only"), std::string::npos) << cli;
  EXPECT_NE(cli.find(" Pound "), std::string::npos) << cli;

  QDialog* report = Print(*w, false);
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isVisible());
  EXPECT_EQ(ReadSetting(w->Files(), "Stats", "TCOST"), cliCost) << "the same cost, every digit";
  // The command line's report text is its second paragraph, after the option line.
  const std::size_t from = cli.find("\n\n") + 2;
  const std::string cliReport = cli.substr(from, cli.find("\n\n", from) - from);
  EXPECT_EQ(LabelText(report, "costReportText").toStdString(), cliReport);
  EXPECT_EQ(LabelText(report, "costOptionLine"),
            QStringLiteral("The Current setting is Statistics only"));
  EXPECT_EQ(LabelText(report, "costNote").toStdString(), kCostOnlyNote);
  EXPECT_TRUE(LabelText(report, "costReportText").contains(QStringLiteral("on the C711WT ")))
      << "the printer is named by its model, not its queue";
  QTest::mouseClick(report->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                    Qt::LeftButton);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !w->findChild<QDialog*>(QStringLiteral("costReport")); }));

  // Print and statistics: the job goes out, then the report opens.
  WriteSetting(w->Files(), "Stats", "Option", "2");
  report = Print(*w, true);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(LabelText(report, "costOptionLine"),
            QStringLiteral("The Current setting is Print & Statistics"));
  EXPECT_EQ(LabelText(report, "costReportText").toStdString(), cliReport);
  EXPECT_EQ(printer->WaitForJobs(1).size(), 1u);
  EXPECT_EQ(printer->Jobs().size(), 1u) << "the statistics-only print sent nothing";
}

}  // namespace
}  // namespace nvx::app
