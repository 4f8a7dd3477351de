#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <array>
#include <chrono>
#include <thread>

#include "job/print_controls.h"
#include "lang/text_table.h"
#include "platform/instance_lock.h"
#include "settings/settings_keys.h"
#include "settings/startup.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "window/instance_channel.h"
#include "window/main_window.h"
#include "window/menu_text.h"
#include "window/offscreen_app.h"
#include "window/preview_widget.h"
#include "window/window_fixture.h"
#include "window/window_layout.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee120.tif";

class WindowTest : public testing::Test {
 protected:
  test::TempFolder home;
  SettingsFiles files;

  void SetUp() override {
    App();
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    setenv("CUPS_SERVER", (home / "no-cups").c_str(), 1);  // no printers: nothing to wait for
    setenv("NVXPRINT_DATA_DIR", NVX_SHARE_DIR, 1);
    files.userFolder = home / "config" / "NivaluxPro";
    files.machineFolder = home / "etc" / "NivaluxPro";
    std::filesystem::create_directories(files.userFolder);
    std::filesystem::create_directories(files.machineFolder);
    CreateDefaultSettings(files);
  }

  // The window as the program opens it: the session first, then the window.
  std::unique_ptr<MainWindow> Open(std::string model = "C711WT") {
    auto work = std::make_unique<WindowWork>();
    EXPECT_TRUE(OpenPrintSession(work->session, model).ok());
    WindowContext ctx;
    ctx.programFolder = NVX_SHARE_DIR;
    auto window = std::make_unique<MainWindow>(std::move(ctx), std::move(work));
    window->show();
    return window;
  }

  static void ChooseMedia(MainWindow& w, std::string_view text) {
    auto* media = Child<QComboBox>(w, "mediaList");
    const int i = media->findText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    ASSERT_GE(i, 0) << text;
    media->setCurrentIndex(i);
  }

  std::string Read(std::string_view section, std::string_view key) {
    return ReadSetting(files, section, key);
  }
};

TEST(WindowMetrics, RememberedSizeNeedsAtLeastThePreviewHeight) {
  test::TempFolder home;
  SettingsFiles files{home.path(), home / "machine"};
  WriteSettings(files, {{"Active", "L_Used_H", "400"},
                        {"Active", "L_Used_W", "900"},
                        {"Active", "T_Used_W", "350"},
                        {"Active", "L_Used_X", "-5"},
                        {"Active", "L_Used_Y", "20"}});
  WindowMetrics m = ReadWindowMetrics(files);
  EXPECT_EQ(m.width, 1017);
  EXPECT_EQ(m.height, 511);
  EXPECT_EQ(m.previewHeight, 438);
  EXPECT_EQ(m.x, -1) << "a negative position leaves the placement to the desktop";

  WriteSetting(files, "Active", "L_Used_H", "438");
  m = ReadWindowMetrics(files);
  EXPECT_EQ(m.height, 438);
  EXPECT_EQ(m.width, 900);
  EXPECT_EQ(m.panelWidth, 350);
  EXPECT_EQ(m.previewHeight, 495);
}

TEST(RecentFiles, LongPathsKeepTheirFirstThreeAndLastThirtyTwoCharacters) {
  EXPECT_EQ(RecentFileLabel("/home/ann/photos/cat.png"), "/home/ann/photos/cat.png");
  const std::string exact(35, 'a');
  EXPECT_EQ(RecentFileLabel(exact), exact);
  const std::string path = "/home/ann/pictures/holiday/2026/beach/sunset-over-the-sea.png";
  EXPECT_EQ(RecentFileLabel(path), "/ho..." + path.substr(path.size() - 32));
  // Counted in characters: a multi-byte letter is never cut in half.
  const std::string umlauts = "/ä/" + std::string(40, 'x') + "ü.png";
  EXPECT_EQ(RecentFileLabel(umlauts), "/ä/..." + std::string(27, 'x') + "ü.png");
}

TEST(MenuText, EveryEntryGetsItsOwnMnemonic) {
  std::set<QChar> taken;
  EXPECT_EQ(WithMnemonic(QStringLiteral("&Print"), taken), QStringLiteral("&Print"));
  EXPECT_EQ(WithMnemonic(QStringLiteral("Print Margins"), taken), QStringLiteral("P&rint Margins"));
  EXPECT_EQ(WithMnemonic(QStringLiteral("R&&D"), taken), QStringLiteral("R&&&D"));
  EXPECT_EQ(WithMnemonic(QStringLiteral("&Rotate"), taken), QStringLiteral("R&otate"))
      << "a letter the language gave twice moves to the next free one";
}

TEST_F(WindowTest, OpensWithTheDefaultsOfAFreshInstallation) {
  auto w = Open();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - No File"));
  EXPECT_EQ(w->size(), QSize(1017, 511));
  EXPECT_TRUE(Child<QCheckBox>(*w, "printCmy")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(*w, "automaticTile")->isChecked());
  EXPECT_FALSE(Child<QAbstractButton>(*w, "printButton")->isEnabled()) << "no image loaded";
  EXPECT_FALSE(Child<QCheckBox>(*w, "faceUpExit")->isVisible()) << "C711WT has no face-up exit";
  EXPECT_EQ(Child<QComboBox>(*w, "mediaList")->currentIndex(), 0);
}

TEST_F(WindowTest, WhiteFirstOrderOnlyForModelsThatCanSwitch) {
  WriteSetting(files, "Active", "T_ORDER", "WF");
  EXPECT_EQ(Open("C711WT")->Live().tonerOrder, TonerOrder::WhiteLast);
  auto pro = Open("Pro8432WT");
  EXPECT_EQ(pro->Live().tonerOrder, TonerOrder::WhiteFirst);
  EXPECT_NE(pro->findChild<QAction*>(QStringLiteral("actionTonerOrder")), nullptr);
}

TEST_F(WindowTest, MediaRulesSetTheControls) {
  auto w = Open();
  ChooseMedia(*w, "P.Uno White");
  EXPECT_EQ(Child<QSlider>(*w, "threshold")->value(), 60);
  EXPECT_TRUE(Child<QCheckBox>(*w, "thresholdOn")->isChecked());
  ChooseMedia(*w, "Labels 1");
  EXPECT_FALSE(Child<QCheckBox>(*w, "printWhite")->isChecked());
  EXPECT_FALSE(Child<QSlider>(*w, "whiteDensity")->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(*w, "mirror")->isChecked());
  EXPECT_FALSE(Child<QComboBox>(*w, "trayList")->isEnabled());
  EXPECT_EQ(w->Live().mediaCode, 9);
  EXPECT_FALSE(Child<QToolButton>(*w, "leftHand")->isVisible());
}

TEST_F(WindowTest, HandButtonsAreExclusiveAndCanBothBeOff) {
  auto w = Open();
  ChooseMedia(*w, "Duo7.8 mSheet (Magenta)");
  auto* left = Child<QToolButton>(*w, "leftHand");
  auto* right = Child<QToolButton>(*w, "rightHand");
  ASSERT_TRUE(left->isVisible());
  EXPECT_TRUE(right->isChecked()) << "the right hand is the default";
  QTest::mouseClick(left, Qt::LeftButton);
  w->CommitSettings();
  EXPECT_EQ(Read("Others", "LeftHand"), "1");
  EXPECT_EQ(Read("Others", "RightHand"), "0");
  EXPECT_FALSE(right->isChecked());
  QTest::mouseClick(left, Qt::LeftButton);
  w->CommitSettings();
  EXPECT_EQ(Read("Others", "LeftHand"), "0");
  EXPECT_FALSE(left->isChecked());
}

TEST_F(WindowTest, SlidersShowTheirValueAndAskForAPreview) {
  auto w = Open();
  int redraws = 0;
  QObject::connect(w.get(), &MainWindow::previewRedrawn, [&] { ++redraws; });
  auto* brightness = Child<QSlider>(*w, "brightness");
  brightness->setValue(75);
  EXPECT_EQ(w->Live().brightness, 75);
  EXPECT_GE(redraws, 1);
  auto labels = w->findChildren<QLabel*>();
  EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                          [](QLabel* l) { return l->text() == QStringLiteral("+50%"); }));
}

// The boxes and sliders take the values the command line takes, from the one
// table of controls: a slider position is one step of its control.
TEST_F(WindowTest, BoxesAndSlidersTakeTheRangesOfTheTableOfControls) {
  auto w = Open();
  for (const auto& [box, name] : {std::pair{"copies", control::kCopies},
                                  {"xCopy", control::kXCopies},
                                  {"yCopy", control::kYCopies}}) {
    const PrintControl c = *FindPrintControl(name);
    const auto* validator =
        qobject_cast<const QIntValidator*>(Child<QLineEdit>(*w, box)->validator());
    ASSERT_NE(validator, nullptr) << box;
    EXPECT_EQ(validator->bottom(), c.min) << box;
    EXPECT_EQ(validator->top(), c.max) << box;
  }
  for (const auto& [slider, name] : {std::pair{"whiteDensity", control::kWhiteDensity},
                                     {"threshold", control::kWhiteThreshold},
                                     {"brightness", control::kBrightness},
                                     {"contrast", control::kContrast}}) {
    const PrintControl c = *FindPrintControl(name);
    const QSlider* s = Child<QSlider>(*w, slider);
    EXPECT_EQ(s->minimum(), 0) << slider;
    EXPECT_EQ(c.min + s->maximum() * c.step, c.max) << slider;
  }
  const PrintControl align = *FindPrintControl(control::kAlign);
  EXPECT_EQ(Child<QWidget>(*w, "alignControls")->findChildren<QRadioButton*>().size(),
            align.max - align.min + 1);
}

TEST_F(WindowTest, LoadDefaultsResetsTheWhiteControlsAndTheStoredChoices) {
  WriteSettings(files, {{"Active", "Top Margin", "5000"},
                        {"Others", "RightHand", "0"},
                        {"Others", "LeftHand", "1"}});
  auto w = Open();
  Child<QSlider>(*w, "threshold")->setValue(80);
  Child<QLineEdit>(*w, "copies")->setText(QStringLiteral("7"));
  Child<QCheckBox>(*w, "printCmy")->setChecked(false);
  auto* paper = Child<QComboBox>(*w, "paperList");
  auto* tray = Child<QComboBox>(*w, "trayList");
  paper->setCurrentIndex(paper->findText(QStringLiteral("A5 SEF")));
  tray->setCurrentIndex(tray->findText(QStringLiteral("Tray 1")));
  w->findChild<QAction*>(QStringLiteral("actionLoadDefaults"))->trigger();
  w->CommitSettings();
  // The lists show what the defaults stored.
  EXPECT_EQ(Read("Active", "PaperSize"), "A4");
  EXPECT_EQ(paper->currentText(), QStringLiteral("A4"));
  EXPECT_EQ(w->Live().paperHeightPt, 842);
  EXPECT_EQ(tray->currentText(), QStringLiteral("AUTO"));
  EXPECT_EQ(Read("Active", "Printer"), "OKI C711wt NVX") << "no queue here to keep in its place";
  EXPECT_EQ(Child<QSlider>(*w, "threshold")->value(), 50);
  EXPECT_EQ(Child<QSlider>(*w, "whiteDensity")->value(), 100);
  EXPECT_EQ(Child<QLineEdit>(*w, "copies")->text(), QStringLiteral("1"));
  EXPECT_TRUE(Child<QCheckBox>(*w, "printCmy")->isChecked());
  EXPECT_EQ(Read("Active", "Top Margin"), "1296");
  EXPECT_EQ(Read("Active", "Duo I Sheet"), "0");
  EXPECT_EQ(Read("Others", "RightHand"), "1");
  EXPECT_EQ(Read("Active", "T_ORDER"), "WL");
}

// A preset file handed to the window (a file manager's "Open with") sets the
// white controls it holds and is remembered as the last preset.
TEST_F(WindowTest, OpeningAPresetFileSetsItsControls) {
  auto w = Open();
  const auto preset = home / "dark.svcfg";
  test::WriteFileBytes(preset, "[Active]\r\nWhite Mask %=40\r\nTonerPercent=75\r\n");
  w->OpenImage(QString::fromStdString(preset.string()));
  EXPECT_EQ(Child<QSlider>(*w, "whiteDensity")->value(), 40);
  EXPECT_EQ(Child<QSlider>(*w, "threshold")->value(), 75);
  w->CommitSettings();
  EXPECT_NE(Read("Directory", "Last Config").find("dark.svcfg"), std::string::npos);
}

TEST_F(WindowTest, ClosingRemembersSizeAndPanel) {
  auto w = Open();
  w->resize(980, 560);
  w->close();
  EXPECT_EQ(Read("Active", "L_Used_W"), "980");
  EXPECT_EQ(Read("Active", "L_Used_H"), "560");
  EXPECT_FALSE(Read("Active", "T_Used_W").empty());
  auto again = Open();
  EXPECT_EQ(again->size(), QSize(980, 560));
  again->close();

  // A place on a screen that has gone: the desktop places the window instead.
  WriteSettings(files, {{"Active", "L_Used_X", "3000"}, {"Active", "L_Used_Y", "40"}});
  auto lost = Open();
  EXPECT_LT(lost->pos().x(), 1024);
}

// A size and place remembered on a larger screen: the whole window, frame
// included, opens on this 1024 x 600 one.
TEST_F(WindowTest, APlaceRememberedOnALargerScreenIsKeptOnThisOne) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const auto& [x, y, width, height] :
       {std::array{500, 300, 1017, 511}, std::array{200, 100, 1600, 1000}}) {
    WriteSettings(files, {{"Active", "L_Used_X", std::to_string(x)},
                          {"Active", "L_Used_Y", std::to_string(y)},
                          {"Active", "L_Used_W", std::to_string(width)},
                          {"Active", "L_Used_H", std::to_string(height)}});
    auto w = Open();
    QTest::qWait(20);
    EXPECT_TRUE(screen.contains(w->frameGeometry()))
        << width << "x" << height << " at " << x << "," << y << " opened at "
        << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
        << w->frameGeometry().width() << "x" << w->frameGeometry().height();
    if (width < screen.width()) {
      EXPECT_EQ(w->size(), QSize(width, height)) << "a size that fits stays";
    }
  }
}

TEST_F(WindowTest, HelpSaysWhereTheManualIsWhenNothingCanOpenIt) {
  auto w = Open();
  // The off-screen desktop has no program for a web page, as a system without a browser.
  MessageAnswerer boxes;
  auto* help = w->findChild<QAction*>(QStringLiteral("actionHelp"));
  ASSERT_NE(help, nullptr);
  help->trigger();
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_NE(boxes.Texts().front().find(NVX_SHARE_DIR "/manual/index.html"), std::string::npos)
      << boxes.Texts().front();
}

TEST_F(WindowTest, PresetDialogsAreTitledWithoutAnAmpersand) {
  auto w = Open();
  QStringList titles;
  for (const char* action : {"actionSavePreset", "actionLoadPreset"}) {
    WhenDialogOpens([&titles](QDialog& d) {
      titles << d.windowTitle();
      d.reject();
    });
    w->findChild<QAction*>(QLatin1String(action))->trigger();
  }
  EXPECT_EQ(titles,
            (QStringList{QStringLiteral("Save Settings"), QStringLiteral("Load Settings")}));
}

// The page preview takes the room a larger window gives and is drawn at its
// new size; the controls keep their width.
TEST_F(WindowTest, ThePreviewGrowsWithTheWindowAndTheControlsKeepTheirWidth) {
  MessageAnswerer boxes;  // the printer profile's notice
  auto w = Open();
  ASSERT_TRUE(LoadInWindow(*w, kPhoto));
  auto* preview = Child<PreviewWidget>(*w, "preview");
  auto* tools = Child<QWidget>(*w, "toolPanel");
  ASSERT_NE(tools, nullptr);
  const int toolsWidth = tools->width();
  const QSize area = preview->size();
  const QSize page = preview->Page().size();
  ASSERT_TRUE(WaitUntilFramed(*w));
  w->resize(1600, 1000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->width() == 1600; }));
  EXPECT_EQ(tools->width(), toolsWidth);
  EXPECT_GE(preview->width(), area.width() + 500);
  EXPECT_GE(preview->height(), area.height() + 400);
  // Drawn at once on a smaller area and shown enlarged, then anew at the full size.
  auto drawnAtFullSize = [&] {
    return preview->Page().devicePixelRatio() == 1.0 &&
           preview->Page().height() > page.height() + 300;
  };
  // A machine busy with other tests draws slowly: the waits are generous.
  constexpr int kDrawMs = 30'000;
  EXPECT_TRUE(QTest::qWaitFor(drawnAtFullSize, kDrawMs));
  Child<QSlider>(*w, "brightness")->setValue(80);
  EXPECT_LT(preview->Page().devicePixelRatio(), 1.0) << "a slider step is drawn at once";
  EXPECT_TRUE(QTest::qWaitFor(drawnAtFullSize, kDrawMs));
}

// A box too narrow for its value shows its end only ("6.7%" for "56.7%"): with
// the cursor at the start it would then show something else.
TEST_F(WindowTest, AtItsSmallestSizeNoBoxCutsItsValue) {
  MessageAnswerer boxes;  // the printer profile's notice
  auto w = Open();
  ASSERT_TRUE(LoadInWindow(*w, kPhoto));
  Child<QLineEdit>(*w, "copies")->setText(QStringLiteral("999"));
  w->resize(1, 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->size() == w->minimumSize(); }));
  EXPECT_LE(w->frameGeometry().width(), 1024);
  EXPECT_LE(w->frameGeometry().height(), 600);
  for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
    if (!box->isVisible() || box->text().isEmpty()) continue;
    box->setCursorPosition(0);
    const QImage start = box->grab().toImage();
    box->setCursorPosition(static_cast<int>(box->text().size()));
    EXPECT_EQ(box->grab().toImage(), start)
        << box->objectName().toStdString() << " cuts " << box->text().toStdString();
  }
}

TEST_F(WindowTest, MenusHaveMnemonicsAndTheUsualShortcuts) {
  auto w = Open();
  for (QAction* menu : w->menuBar()->actions()) {
    std::set<QChar> seen;
    for (QAction* a : menu->menu()->actions()) {
      if (a->isSeparator() || a->text().isEmpty()) continue;
      const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
      ASSERT_GE(amp, 0) << a->text().toStdString();
      EXPECT_TRUE(seen.insert(a->text()[amp + 1].toLower()).second)
          << "mnemonic used twice: " << a->text().toStdString();
    }
  }
  auto shortcut = [&](const char* name) {
    return w->findChild<QAction*>(QLatin1String(name))->shortcuts();
  };
  EXPECT_TRUE(shortcut("actionOpen").contains(QKeySequence(QStringLiteral("Ctrl+O"))));
  EXPECT_TRUE(shortcut("actionPrint").contains(QKeySequence(QStringLiteral("Ctrl+P"))));
  EXPECT_TRUE(shortcut("actionExit").contains(QKeySequence(QStringLiteral("Ctrl+Q"))));
  EXPECT_TRUE(shortcut("actionExit").contains(QKeySequence(QStringLiteral("Alt+F4"))));
}

TEST_F(WindowTest, DroppingAFileOfAnotherKindChangesNothing) {
  auto w = Open();
  test::WriteFileBytes(home / "notes.txt", "hello");
  auto* preview = Child<PreviewWidget>(*w, "preview");
  emit preview->filesDropped({QByteArray::fromStdString((home / "notes.txt").string())});
  EXPECT_TRUE(w->statusBar()->currentMessage().contains(QStringLiteral("notes.txt")));
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Nivalux Pro - No File"));
  EXPECT_FALSE(w->ImageLoaded());
}

// What stands in place of an image is named in the status bar, and a named
// pipe holds nothing up.
TEST_F(WindowTest, OpeningWhatIsNotAFileSaysWhatItIs) {
  auto w = Open();
  ASSERT_EQ(::mkfifo((home / "pipe.png").c_str(), 0600), 0);
  w->OpenImage(home / "pipe.png");
  EXPECT_TRUE(w->statusBar()->currentMessage().endsWith(
      QStringLiteral("pipe.png: a named pipe (FIFO), not a file")))
      << w->statusBar()->currentMessage().toStdString();
  w->OpenImage(home / "gone.png");
  EXPECT_TRUE(w->statusBar()->currentMessage().endsWith(QStringLiteral("gone.png: no such file")));
  EXPECT_FALSE(w->ImageLoaded());
}

TEST_F(WindowTest, ASecondLockOnTheSameNameIsRefused) {
  platform::InstanceLock first("NivaluxPro", home.path());
  platform::InstanceLock second("NivaluxPro", home.path());
  EXPECT_TRUE(first.Acquired());
  EXPECT_FALSE(second.Acquired());
}

// The name handed over is the file's own bytes, UTF-8 or not.
TEST_F(WindowTest, ASecondStartHandsItsImageToTheRunningWindowAndEnds) {
  platform::InstanceLock running("NivaluxPro", home.path());
  InstanceChannel channel(home / "NivaluxPro.socket");
  ASSERT_TRUE(channel.Listening());
  QByteArray received;
  QObject::connect(&channel, &InstanceChannel::openRequested,
                   [&](const QByteArray& p) { received = p; });

  const std::filesystem::path cat = home / "cat\xe9 100%.png";
  test::WriteFileBytes(cat, "not really a png");
  const pid_t pid =
      test::StartProcess({NVX_BINARY, cat.string()},
                         {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + home.path().string()},
                         home / "out.txt", home / "out.txt");
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 100 && received.isEmpty(); ++i) {
    QTest::qWait(50);
  }
  EXPECT_EQ(test::WaitForProcess(pid), 0);
  EXPECT_EQ(received.toStdString(), cat.string());
  EXPECT_EQ(test::ReadFileBytes(home / "out.txt"), "") << "a second start says nothing";
}

}  // namespace
}  // namespace nvx::app
