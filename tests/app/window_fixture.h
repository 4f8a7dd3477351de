#pragma once

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/offscreen_app.h"
#include "app/window/main_window.h"
#include "app/window/window_work.h"
#include "platform/cups_server.h"
#include "support/temp_folder.h"

namespace nvx::app {

inline constexpr int kWindowWaitMs = 60000;

// The main window of a fresh user (own settings folders, the program's data
// from the build), ready to load and print.
class WindowFixture : public testing::Test {
 protected:
  test::TempFolder home;
  std::unique_ptr<test::CupsServer> cups;
  std::unique_ptr<test::SocketListener> printer;

  void SetUp() override {
    App();
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
    setenv("NVXPRINT_DATA_DIR", NVX_SHARE_DIR, 1);
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  }

  void TearDown() override {
    if (cups) cupsSetServer(nullptr);
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

  std::unique_ptr<MainWindow> Open() {
    auto work = std::make_unique<WindowWork>();
    EXPECT_TRUE(OpenPrintSession(work->session, "C711WT").ok());
    WindowContext ctx;
    ctx.programFolder = NVX_SHARE_DIR;
    auto w = std::make_unique<MainWindow>(std::move(ctx), std::move(work));
    w->show();
    return w;
  }

  static bool Load(MainWindow& w, const std::string& file) {
    QSignalSpy loaded(&w, &MainWindow::loadFinished);
    w.OpenImage(QString::fromStdString(file));
    return loaded.wait(kWindowWaitMs) && loaded.front().front().toBool() &&
           QTest::qWaitFor([&w] { return !w.Busy(); }, kWindowWaitMs);
  }
};

}  // namespace nvx::app
