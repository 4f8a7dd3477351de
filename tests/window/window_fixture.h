#pragma once

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lang/text_table.h"
#include "platform/cups_server.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "window/main_window.h"
#include "window/offscreen_app.h"
#include "window/window_work.h"

namespace nvx::app {

// A first run in `home`: its own settings folders, the program's data, a fixed clock.
inline void UseFreshConfiguration(const test::TempFolder& home) {
  App();
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
  setenv("NVXPRINT_DATA_DIR", NVX_SHARE_DIR, 1);
  setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
}

// The window for `model`, opened and shown as at start-up.
inline std::unique_ptr<MainWindow> OpenTestWindow(std::string_view model = "C711WT") {
  auto work = std::make_unique<WindowWork>();
  EXPECT_TRUE(OpenPrintSession(work->session, model).ok());
  WindowContext ctx;
  ctx.programFolder = NVX_SHARE_DIR;
  auto w = std::make_unique<MainWindow>(std::move(ctx), std::move(work));
  w->show();
  return w;
}

// Opens the file in the window and waits until it is loaded and the worker has ended.
inline bool LoadInWindow(MainWindow& w, const std::string& file, int waitMs = 60000) {
  QSignalSpy loaded(&w, &MainWindow::loadFinished);
  w.OpenImage(QString::fromStdString(file));
  return loaded.wait(waitMs) && loaded.front().front().toBool() &&
         QTest::qWaitFor([&w] { return !w.Busy(); }, waitMs);
}

// The window keeps its frame on the screen once the desktop has framed it (or
// after a while without a frame): a test that makes it larger than the screen
// does so after that, or the window is made to fit again.
inline bool WaitUntilFramed(MainWindow& w) {
  return QTest::qWaitFor([&w] { return !w.findChild<QTimer*>(QStringLiteral("frameWatch")); },
                         10'000);
}

// The child of `parent` named `name`; a missing one fails the test.
template <typename W>
W* Child(const QObject& parent, const char* name) {
  W* child = parent.findChild<W*>(QLatin1String(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}
template <typename W>
W* Child(const QObject* parent, const char* name) {
  return Child<W>(*parent, name);
}

// Runs `drive` on the next modal dialog that opens (message boxes are left to a
// MessageAnswerer); a dialog that `drive` leaves open is cancelled, so a failed
// step does not hang the test. Call it before the action that opens the dialog.
inline void WhenDialogOpens(std::function<void(QDialog&)> drive) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [poll, drive] {
    QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || qobject_cast<QMessageBox*>(dialog.data())) return;
    poll->stop();
    poll->deleteLater();
    drive(*dialog);
    if (dialog && dialog->isVisible()) dialog->reject();
  });
  poll->start();
}

// Answers the message boxes that open while it lives and keeps their titles and
// texts: a box that offers `answer` gets it, any other is closed (as Escape
// does). Other dialogs are left to the test, or with `closeDialogs` closed too.
class MessageAnswerer {
 public:
  explicit MessageAnswerer(QMessageBox::StandardButton answer = QMessageBox::NoButton,
                           bool closeDialogs = false) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this, answer, closeDialogs] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        titles_.push_back(box->windowTitle().toStdString());
        texts_.push_back(box->text().toStdString());
        if (QAbstractButton* button = box->button(answer)) {
          button->click();
        } else {
          box->close();
        }
      } else if (modal && closeDialogs) {
        modal->close();
      }
    });
    timer_.start();
  }
  const std::vector<std::string>& Texts() const { return texts_; }
  const std::vector<std::string>& Titles() const { return titles_; }

 private:
  QTimer timer_;
  std::vector<std::string> titles_;
  std::vector<std::string> texts_;
};

// A dialog on settings files of its own, with the built-in texts.
class DialogTest : public testing::Test {
 protected:
  test::TempFolder home;
  SettingsFiles files{home / "user", home / "machine"};
  TextTable text = DefaultTextTable();

  void SetUp() override {
    App();
    std::filesystem::create_directories(files.userFolder);
  }
};

inline constexpr int kWindowWaitMs = 60000;

// The main window of a fresh user, with a private CUPS queue on demand.
class WindowFixture : public testing::Test {
 protected:
  test::TempFolder home;
  std::unique_ptr<test::CupsServer> cups;
  std::unique_ptr<test::SocketListener> printer;

  void SetUp() override { UseFreshConfiguration(home); }
  void TearDown() override {
    if (!cups) return;
    cupsSetServer(nullptr);
    unsetenv("CUPS_SERVER");
  }

  // A private CUPS whose queue "OKI-C711WT-test" sends its jobs to `printer`;
  // the reason when it cannot start.
  std::string StartPrinter() {
    cups = std::make_unique<test::CupsServer>();
    if (std::string why = cups->Start(); !why.empty()) return why;
    printer = std::make_unique<test::SocketListener>();
    cups->AddRawQueue("OKI-C711WT-test", printer->port(), "OKI C711WT(PS)");
    // libcups keeps the server per thread: this one is told, the workers read the variable.
    setenv("CUPS_SERVER", cups->Address().c_str(), 1);
    cupsSetServer(cups->Address().c_str());
    return {};
  }

  static std::unique_ptr<MainWindow> Open() { return OpenTestWindow(); }
  static bool Load(MainWindow& w, const std::string& file) {
    return LoadInWindow(w, file, kWindowWaitMs);
  }

  // Presses "Print" and returns the one job the printer received (empty on failure).
  std::string PrintFrom(MainWindow& w) {
    QSignalSpy printed(&w, &MainWindow::printFinished);
    w.findChild<QAbstractButton*>(QStringLiteral("printButton"))->click();
    if (!printed.wait(kWindowWaitMs) || !printed.front().front().toBool()) {
      ADD_FAILURE() << "not printed: " << cups->Log();
      return {};
    }
    std::vector<std::string> jobs = printer->WaitForJobs(1);
    EXPECT_EQ(jobs.size(), 1u);
    return jobs.empty() ? std::string() : jobs.front();
  }
};

}  // namespace nvx::app
