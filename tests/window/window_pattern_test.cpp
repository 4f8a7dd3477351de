#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "pattern/pattern_settings.h"
#include "pattern/shape_library.h"
#include "settings/settings_keys.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "window/pattern_dialogs.h"
#include "window/preview_widget.h"
#include "window/window_fixture.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

constexpr int kWaitMs = kWindowWaitMs;
constexpr const char* kSquare =
    "%%Creator: Adobe Illustrator(R) 3.2\r\n%%EndSetup\r\n0 0 0 1 k\r\n"
    "10 10 m\r\n30 10 l\r\n30 20 l\r\n10 20 l\r\nf\r\n";
constexpr const char* kVersionNine = "%%Creator: Adobe Illustrator(R) 9.0\n%%EndSetup\n";

void Click(const QWidget& parent, const char* name) {
  QTest::mouseClick(Child<QAbstractButton>(parent, name), Qt::LeftButton);
}

// Types a value into a box as a user does: select all, type, Enter.
void Type(const QWidget& parent, const char* name, const char* text) {
  auto* box = Child<QLineEdit>(parent, name);
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QString::fromLatin1(text));
  QTest::keyClick(box, Qt::Key_Return);
}

QStringList Items(const QComboBox& list) {
  QStringList items;
  for (int i = 0; i < list.count(); ++i) items << list.itemText(i);
  return items;
}

class PatternDialogTest : public testing::Test {
 protected:
  test::TempFolder home;
  SettingsFiles files{home / "user", home / "machine"};
  TextTable text = DefaultTextTable();
  std::filesystem::path library = home / "user" / "shape.lib";

  void SetUp() override {
    App();
    std::filesystem::create_directories(files.userFolder);
  }
  std::string Setting(std::string_view key) { return ReadSetting(files, keys::kPatternSetup, key); }
};

TEST_F(PatternDialogTest, SizesKeepTheirRangesFollowTheLinkAndAreStoredAtOnce) {
  auto dialog = MakePatternSetupDialog(nullptr, files, text, library, {});
  dialog->show();
  EXPECT_EQ(Items(*Child<QComboBox>(*dialog, "shapeList")), QStringList({"Ellipse", "Rectangle"}));
  EXPECT_EQ(Setting("Shape"), "Ellipse") << "the defaults are written on opening";
  ASSERT_TRUE(Child<QAbstractButton>(*dialog, "sizeLink")->isChecked()) << "equal sizes: linked";

  Type(*dialog, "sizeX", "12");
  EXPECT_EQ(Child<QLineEdit>(*dialog, "sizeX")->text(), "4") << "above 10 becomes 4";
  EXPECT_EQ(Child<QLineEdit>(*dialog, "sizeY")->text(), "4") << "the linked size follows";
  EXPECT_EQ(Setting("SizeY"), "4");
  Type(*dialog, "sizeY", "1.5");
  EXPECT_EQ(Setting("SizeX"), "2") << "below 2 becomes 2, for both";
  Type(*dialog, "gap", "6");
  EXPECT_EQ(Setting("Gap"), "1") << "a gap above 5 becomes 1";

  Click(*dialog, "sizeLink");
  Type(*dialog, "sizeY", "7.26");
  EXPECT_EQ(Setting("SizeX"), "2") << "unlinked, X stays";
  EXPECT_EQ(Child<QLineEdit>(*dialog, "sizeY")->text(), "7.3") << "shown with one decimal";
  QTest::keyClick(Child<QWidget>(*dialog, "gapSlider"), Qt::Key_End);
  EXPECT_EQ(Child<QLineEdit>(*dialog, "gap")->text(), "5");
  auto* screen = Child<QComboBox>(*dialog, "screenAngle");
  screen->setFocus();
  QTest::keyClick(screen, Qt::Key_Down);
  auto* invert = Child<QAbstractButton>(*dialog, "invertPattern");
  QTest::mouseClick(invert, Qt::LeftButton, {}, QPoint(8, invert->height() / 2));  // its box
  ASSERT_TRUE(invert->isChecked());
  Click(*dialog, "ok");
  EXPECT_EQ(dialog->result(), QDialog::Accepted);

  const PatternSettings stored = ReadPatternSettings(files);
  EXPECT_EQ(stored.sizeXMm, 2);
  EXPECT_EQ(stored.sizeYMm, 7.26);
  EXPECT_EQ(stored.gapMm, 5);
  EXPECT_EQ(stored.screenAngle, 0);
  EXPECT_TRUE(stored.invert);

  WriteSetting(files, keys::kActive, keys::kUnit, "C");
  auto again = MakePatternSetupDialog(nullptr, files, text, library, {});
  EXPECT_EQ(Child<QLineEdit>(*again, "sizeY")->text(), "0.73") << "centimetres, two decimals";
  EXPECT_FALSE(Child<QAbstractButton>(*again, "sizeLink")->isChecked());
}

TEST_F(PatternDialogTest, AShapeImportedThroughTheDialogIsListedAndLibraryEditRemovesIt) {
  const std::filesystem::path square = home / "art" / "Square.AI";
  const std::filesystem::path newer = home / "art" / "newer.ai";
  std::filesystem::create_directories(square.parent_path());
  test::WriteFileBytes(square, kSquare);
  test::WriteFileBytes(newer, kVersionNine);
  std::vector<std::filesystem::path> picks = {newer, square};
  PatternDialogHooks hooks;
  hooks.pickIllustratorFile = [&picks](const QString&) {
    const QString file = QString::fromStdString(picks.front().string());
    picks.erase(picks.begin());
    return file;
  };
  MessageAnswerer answers(QMessageBox::Ok);
  auto setup = MakePatternSetupDialog(nullptr, files, text, library, hooks);
  setup->show();

  WhenDialogOpens([&answers](QDialog& import) {
    EXPECT_EQ(import.windowTitle(), "Shape Import Utility");
    Click(import, "openFile");  // the version 9 file: refused
    auto* open = Child<QAbstractButton>(import, "openFile");
    ASSERT_TRUE(QTest::qWaitFor([&] { return open->isEnabled(); }, kWaitMs));
    QTest::qWait(100);
    EXPECT_FALSE(Child<QAbstractButton>(import, "addShape")->isEnabled());
    Click(import, "openFile");
    auto* name = Child<QLineEdit>(import, "shapeName");
    ASSERT_TRUE(QTest::qWaitFor([&] { return name->text() == "Square"; }, kWaitMs))
        << testing::PrintToString(answers.Texts());
    Type(import, "shapeName", "big square");
    Click(import, "addShape");
    EXPECT_EQ(Child<QLabel>(import, "importStatus")->text(), QStringLiteral("\u2713"));
    Click(import, "exit");
  });
  Click(*setup, "importShape");
  ASSERT_FALSE(answers.Texts().empty());
  EXPECT_EQ(answers.Titles().front(), "Converter");
  EXPECT_EQ(answers.Texts().front(), "Conversion failed\r\nAI file greater than Ver 8");
  EXPECT_EQ(ReadSetting(files, keys::kPattern, keys::kAiPath), (home / "art").string());
  auto* shapes = Child<QComboBox>(*setup, "shapeList");
  EXPECT_EQ(Items(*shapes), QStringList({"Ellipse", "Rectangle", "Big_square"}));

  WhenDialogOpens([](QDialog& edit) {
    auto* list = Child<QListWidget>(edit, "shapeNames");
    ASSERT_EQ(list->count(), 1);
    QListWidgetItem* item = list->item(0);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(item->text(), "** big_square");
    Click(edit, "ok");
  });
  Click(*setup, "editLibrary");
  EXPECT_EQ(Items(*shapes), QStringList({"Ellipse", "Rectangle"}));
  EXPECT_TRUE(ReadShapeLibrary(library)->empty());
}

TEST_F(PatternDialogTest, AddingAMatchingNameAsksAndCancelKeepsTheLibrary) {
  test::WriteFileBytes(home / "Square.ai", kSquare);
  PatternDialogHooks hooks;
  hooks.pickIllustratorFile = [this](const QString&) {
    return QString::fromStdString((home / "Square.ai").string());
  };
  ShapeRecord existing;
  existing.pathCount = 1;
  existing.paths[0].pointCount = 3;
  existing.paths[0].points = {ShapePoint{0, 0}, ShapePoint{1, 0}, ShapePoint{0, 1}};
  existing.name = "SQUARE";
  ASSERT_TRUE(AddShape(library, existing, [] { return false; }).ok());
  const std::string before = test::ReadFileBytes(library);

  MessageAnswerer answers(QMessageBox::Cancel);
  auto import = MakeShapeImportDialog(nullptr, files, text, library, hooks);
  import->show();
  Click(*import, "openFile");
  auto* add = Child<QAbstractButton>(*import, "addShape");
  ASSERT_TRUE(QTest::qWaitFor([&] { return add->isEnabled(); }, kWaitMs));
  Click(*import, "addShape");
  ASSERT_EQ(answers.Texts().size(), 1u);
  EXPECT_EQ(answers.Titles().front(), "Shape Converter");
  EXPECT_EQ(answers.Texts().front(), "Matching Name in Library");
  EXPECT_EQ(test::ReadFileBytes(library), before);
  EXPECT_EQ(Child<QLabel>(*import, "importStatus")->text(), QStringLiteral("\u2717"));
}

// Named as the window's other image tests, which the sanitizer pass leaves out.
using WindowPatternPrintTest = WindowFixture;

TEST_F(WindowPatternPrintTest, ThePatternPrintOfTheSetupEqualsTheCommandLines) {
  if (std::string why = StartPrinter(); !why.empty()) GTEST_SKIP() << why;

  MessageAnswerer answers(QMessageBox::Ok);
  auto window = Open();
  MainWindow& w = *window;
  const std::string photo = NVX_TEST_DATA_DIR "/photos/coffee120.tif";
  ASSERT_TRUE(Load(w, photo));

  QSignalSpy printed(&w, &MainWindow::printFinished);
  WhenDialogOpens([&](QDialog& setup) {
    Type(setup, "sizeX", "3.5");
    auto* screen = Child<QComboBox>(setup, "screenAngle");
    screen->setFocus();
    QTest::keyClick(screen, Qt::Key_Down);
    Click(setup, "patternPrint");
    EXPECT_FALSE(setup.isEnabled()) << "the settings wait while the print reads them";
    ASSERT_TRUE(printed.wait(kWaitMs));
    EXPECT_TRUE(setup.isEnabled());
    Click(setup, "ok");
  });
  Click(w, "patternPrintButton");
  ASSERT_EQ(printed.size(), 1);
  ASSERT_TRUE(printed.front().front().toBool()) << cups->Log();
  EXPECT_FALSE(w.Live().patternPrint) << "pattern mode holds for that one print";
  const std::vector<std::string> jobs = printer->WaitForJobs(1);
  ASSERT_EQ(jobs.size(), 1u);

  auto* preview = Child<PreviewWidget>(w, "preview");
  const QImage unscreened = preview->Page();
  auto* patternPreview = Child<QAbstractButton>(w, "patternPreview");
  QTest::mouseClick(patternPreview, Qt::LeftButton, {}, QPoint(8, patternPreview->height() / 2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Busy(); }, kWaitMs));
  ASSERT_TRUE(w.Live().patternPreview);
  EXPECT_NE(preview->Page(), unscreened) << "\"Pattern Preview\" shows the screen";

  const pid_t pid = test::StartProcess(
      {NVX_BINARY, "print", photo, "--pattern", "--to", (home / "cli.prn").string()}, {},
      home / "cli.log", home / "cli.log");
  ASSERT_EQ(test::WaitForProcess(pid), 0) << test::ReadFileBytes(home / "cli.log");
  const std::string expected = test::ReadFileBytes(home / "cli.prn");
  const std::string plain = [&] {
    const pid_t p =
        test::StartProcess({NVX_BINARY, "print", photo, "--to", (home / "p.prn").string()}, {},
                           home / "p.log", home / "p.log");
    EXPECT_EQ(test::WaitForProcess(p), 0);
    return test::ReadFileBytes(home / "p.prn");
  }();
  ASSERT_GT(expected.size(), 10000u);
  EXPECT_NE(expected, plain) << "the pattern screens the print";
  EXPECT_EQ(jobs.front().size(), expected.size());
  EXPECT_TRUE(jobs.front() == expected) << "the window's job differs from the command line's";
}

}  // namespace
}  // namespace nvx::app
