#pragma once

#include <QApplication>
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
  static const std::string config = [] {
    const std::string file = std::filesystem::temp_directory_path() / "nvx-window-test-screen.json";
    test::WriteFileBytes(file, R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1024,
        "height": 600, "logicalDpiX": 96, "logicalDpiY": 96, "dpr": 1}]})");
    return file;
  }();
  qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace nvx::app
