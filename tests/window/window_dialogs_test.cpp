#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "lang/text_table.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "window/dialogs.h"
#include "window/window_fixture.h"

namespace nvx::app {
namespace {

TEST_F(DialogTest, JpegSliderShowsTheStoredToleranceAndOkStoresItBack) {
  WriteSetting(files, "Active", "JPEG Artifact", "5");
  auto dialog = MakeJpegDialog(nullptr, files, text);
  auto* slider = dialog->findChild<QSlider*>(QStringLiteral("jpegSlider"));
  EXPECT_EQ(slider->value(), 20);
  slider->setValue(100);
  dialog->reject();
  EXPECT_EQ(ReadSetting(files, "Active", "JPEG Artifact"), "5") << "only OK stores";
  dialog->accept();
  EXPECT_EQ(ReadSetting(files, "Active", "JPEG Artifact"), "21");
  slider->setValue(0);
  dialog->accept();
  EXPECT_EQ(ReadSetting(files, "Active", "JPEG Artifact"), "1");
}

TEST_F(DialogTest, JpegSliderShowsTheToleranceItWouldStoreWhileItMoves) {
  WriteSetting(files, "Active", "JPEG Artifact", "5");
  auto dialog = MakeJpegDialog(nullptr, files, text);
  dialog->show();
  auto* value = dialog->findChild<QLabel*>(QStringLiteral("jpegValue"));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text(), QStringLiteral("Current Value =5"));
  auto* slider = dialog->findChild<QSlider*>(QStringLiteral("jpegSlider"));
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_PageUp);
  EXPECT_EQ(value->text(), QStringLiteral("Current Value =7"));
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_EQ(value->text(), QStringLiteral("Current Value =21"));
  dialog->accept();
  EXPECT_EQ(ReadSetting(files, "Active", "JPEG Artifact"), "21") << "the value shown is stored";
}

TEST_F(DialogTest, BlackRemovalStoresEachMoveAtOnceAndAsksForARedraw) {
  int redraws = 0;
  auto dialog = MakeBlackRemovalDialog(nullptr, files, [&] { ++redraws; });
  EXPECT_EQ(ReadSetting(files, "Active", "BLACK Removal Fuzzy"), "5") << "written on opening";
  auto* slider = dialog->findChild<QSlider*>(QStringLiteral("blackSlider"));
  EXPECT_EQ(slider->value(), 10);
  slider->setValue(60);
  EXPECT_EQ(ReadSetting(files, "Active", "BLACK Removal Fuzzy"), "30");
  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("blackValue"))->text(),
            QStringLiteral("Current Value =30"));
  slider->setValue(1);
  EXPECT_EQ(ReadSetting(files, "Active", "BLACK Removal Fuzzy"), "1") << "never below 1";
  EXPECT_EQ(redraws, 2);
}

TEST_F(DialogTest, UnitsDialogOpensOnTheCurrentUnitAndStoresEachClick) {
  WriteSetting(files, "Active", "Unit", "C");
  auto dialog = MakeUnitsDialog(nullptr, files, text);
  EXPECT_TRUE(dialog->findChild<QRadioButton*>(QStringLiteral("unitC"))->isChecked());
  dialog->findChild<QRadioButton*>(QStringLiteral("unitI"))->click();
  EXPECT_EQ(ReadSetting(files, "Active", "Unit"), "I");
}

TEST(PrinterModeNotice, TheTst4FamilyReadsItsOwnName) {
  TextTable text = DefaultTextTable();
  text.Set(136, "Connect the C711WT, then switch the C711WT.");
  EXPECT_EQ(PrinterModeNotice(text, 4), "Connect the U-Print TST4, then switch the U-Print TST4.");
  EXPECT_EQ(PrinterModeNotice(text, 1), "Connect the C711WT, then switch the C711WT.");
  EXPECT_FALSE(PrinterModeNotice(DefaultTextTable(), 1).empty()) << "never an empty dialog";
}

}  // namespace
}  // namespace nvx::app
