#include "app/window/main_window.h"
#include "app/window/window_work.h"

// Load, preview and print: the core's work, run off the user-interface thread.
namespace nvx::app {

void MainWindow::StartLoad(const std::string& path, bool keepRotate) {
  (void)path;
  (void)keepRotate;
}

void MainWindow::FinishLoad(bool loaded) { emit loadFinished(loaded); }

void MainWindow::RedrawPreview() { emit previewRedrawn(); }

void MainWindow::StartPrint() {}

void MainWindow::StartBlankPage() {}

}  // namespace nvx::app
