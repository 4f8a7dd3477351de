#pragma once

#include <QApplication>
#include <QThreadPool>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace nvx::app {

// One application for all tests, on an off-screen desktop of 1024 x 600: the
// smallest the window has to work on.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "window_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    // One file per process (ctest runs the tests of this program side by side);
    // the platform reads it while the application starts.
    test::TempFolder folder;
    const std::filesystem::path config = folder / "screen.json";
    test::WriteFileBytes(config, R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1024,
        "height": 600, "logicalDpiX": 96, "logicalDpiY": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    auto* application = new QApplication(argc, argv);
#if defined(__SANITIZE_THREAD__)
    // Qt's pool threads share data among themselves as they start, through locks
    // the thread sanitizer cannot see; with one pool thread that never happens.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
#endif
    return application;
  }();
  return *app;
}

}  // namespace nvx::app
