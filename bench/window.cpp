// The window's speed, measured on the real window (off screen):
//   1. from the start of the process to the first preview of the image, as
//      `nvxprint IMAGE` opens it;
//   2. the preview redraw after a move of the "Brightness" slider (median of 40),
//      and after each step of a drag in the curve editor (median of 40);
//   3. the longest the user-interface thread goes unanswered while the image
//      loads and while it prints (the job is built in full; no printer takes it).
//
//   QT_QPA_PLATFORM=offscreen nvx_bench_window IMAGE
//
// The settings live in a private temporary folder, so the user's own are never
// read or changed. Prints one line per figure.

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/devil_errors.h"
#include "window/curve_editor.h"
#include "window/main_window.h"
#include "window/preview_widget.h"
#include "window/window_work.h"

namespace {

namespace fs = std::filesystem;

// Seconds since this process started, from its start time in /proc.
double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::size_t at = text.rfind(')');
  for (int field = 2; field < 22 && at != std::string::npos; ++field) at = text.find(' ', at + 1);
  const double startTicks = std::strtod(text.c_str() + at + 1, nullptr);
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return now.tv_sec + now.tv_nsec / 1e9 - startTicks / sysconf(_SC_CLK_TCK);
}

// The longest gap between two turns of the event loop while it runs.
class StallMeter {
 public:
  StallMeter() {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (clock_.isValid()) longest_ = std::max(longest_, clock_.nsecsElapsed() / 1e6);
      clock_.restart();
    });
  }
  void Start() {
    longest_ = 0;
    clock_.invalidate();
    timer_.start();
  }
  double StopMs() {
    if (clock_.isValid()) longest_ = std::max(longest_, clock_.nsecsElapsed() / 1e6);
    timer_.stop();
    return longest_;
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  double longest_ = 0;
};

// Closes the message boxes the print opens (there is no printer to take it).
void AnswerMessages() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !qobject_cast<nvx::app::CurveEditor*>(modal)) modal->close();
  });
  timer->start(20);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: nvx_bench_window IMAGE\n");
    return 2;
  }
  const std::string image = fs::absolute(argv[1]).string();
  std::string folder = (fs::temp_directory_path() / "nvx-bench-window-XXXXXX").string();
  if (!::mkdtemp(folder.data())) return 1;
  ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  ::setenv("XDG_CONFIG_DIRS", (folder + "/etc").c_str(), 1);
  ::setenv("CUPS_SERVER", (folder + "/no-cups").c_str(), 1);

  const double atMain = SecondsSinceProcessStart();
  QApplication app(argc, argv);
  AnswerMessages();
  auto work = std::make_unique<nvx::app::WindowWork>();
  if (!nvx::OpenPrintSession(work->session, {})) return 1;
  nvx::InitDevil();
  nvx::app::MainWindow window({}, std::move(work));
  window.show();
  const double windowShown = SecondsSinceProcessStart();

  // 1. First preview, with the load's stalls measured on the way.
  StallMeter stalls;
  QSignalSpy drawn(&window, &nvx::app::MainWindow::previewRedrawn);
  QSignalSpy loaded(&window, &nvx::app::MainWindow::loadFinished);
  stalls.Start();
  window.OpenImage(QString::fromStdString(image));
  if (!loaded.wait(120000) || !loaded.front().front().toBool()) return 1;
  const double firstPreview = SecondsSinceProcessStart();
  const double loadStall = stalls.StopMs();

  // 2. Redraws after slider moves.
  auto* brightness = window.findChild<QSlider*>(QStringLiteral("brightness"));
  std::vector<double> redraws;
  for (int i = 0; i < 40; ++i) {
    QElapsedTimer clock;
    clock.start();
    brightness->setValue(30 + i);  // each move redraws before it returns
    redraws.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::sort(redraws.begin(), redraws.end());

  // The curve editor: each step of a drag of P1 redraws the preview before it returns.
  std::vector<double> curveRedraws;
  QTimer::singleShot(0, &window, [&curveRedraws] {
    auto* editor = qobject_cast<nvx::app::CurveEditor*>(QApplication::activeModalWidget());
    if (!editor) return;
    auto* canvas = editor->findChild<nvx::app::CurveCanvas*>();
    const QPoint from = canvas->HandlePosition(nvx::app::CurveHandle::P1).toPoint();
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 40; ++i) {
      QElapsedTimer clock;
      clock.start();
      QTest::mouseMove(canvas, from + QPoint(-i, -2 * i));
      curveRedraws.push_back(clock.nsecsElapsed() / 1e6);
    }
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from + QPoint(-40, -80));
    editor->accept();
  });
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->objectName() == QStringLiteral("actionCurveEditor")) action->trigger();
  }
  if (curveRedraws.empty()) return 1;
  std::sort(curveRedraws.begin(), curveRedraws.end());

  // 3. A print, to no printer: separation, tiling and the job are made in full.
  QSignalSpy printed(&window, &nvx::app::MainWindow::printFinished);
  stalls.Start();
  window.findChild<QAbstractButton*>(QStringLiteral("printButton"))->click();
  printed.wait(300000);
  const double printStall = stalls.StopMs();

  std::printf("first preview after process start: %.3f s (main %.3f, window shown %.3f)\n",
              firstPreview, atMain, windowShown);
  std::printf("preview redraw after a slider move: median %.2f ms, max %.2f ms\n",
              redraws[redraws.size() / 2], redraws.back());
  const QSize area = window.findChild<nvx::app::PreviewWidget*>()->size();
  std::printf("preview redraw per step of a curve drag: median %.2f ms, max %.2f ms (%dx%d)\n",
              curveRedraws[curveRedraws.size() / 2], curveRedraws.back(), area.width(),
              area.height());
  std::printf("longest UI stall while loading: %.1f ms\n", loadStall);
  std::printf("longest UI stall while printing: %.1f ms\n", printStall);
  window.close();
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
