#include <QTimer>

#include "job/print_session.h"
#include "settings/units.h"
#include "window/curve_editor.h"
#include "window/main_window.h"
#include "window/white_panel.h"

// The colour-adjust curves and the white choke: settings the preview shows at
// once, redrawn from the image already loaded.
namespace nvx::app {

void MainWindow::OnCurveEditor() {
  ReadControls();
  CurveEditor editor(this, Texts(), live_.colourPoints);
  connect(&editor, &CurveEditor::pointsChanged, this, &MainWindow::ApplyColourPoints);
  editor.exec();
  ApplyColourPoints(editor.Points());
}

void MainWindow::ApplyColourPoints(const ColourAdjustPoints& points) {
  if (busy_) {
    // Another start of the program can open an image while the editor is up: the
    // worker reads the settings, so the points wait until it has ended.
    const bool waiting = pendingPoints_.has_value();
    pendingPoints_ = points;
    if (!waiting) {
      QTimer::singleShot(100, this, [this] {
        const ColourAdjustPoints latest = *pendingPoints_;
        pendingPoints_.reset();
        ApplyColourPoints(latest);
      });
    }
    return;
  }
  if (live_.colourPoints == points) return;
  live_.colourPoints = points;
  RedrawPreview();
}

void MainWindow::OnWhiteChoke(double mm) {
  if (busy_) return;  // the panel is locked while the worker runs
  live_.whiteChokeMm = mm;
  WriteWhiteChoke(Files(), mm);
  RedrawPreview();
}

void MainWindow::ShowWhiteChoke() {
  const DisplayUnit unit = ReadDisplayUnit(Files());
  whitePanel_->ShowChoke(live_, unit, Text(DisplayUnitLabelEntry(unit)));
}

}  // namespace nvx::app
