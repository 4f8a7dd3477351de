#pragma once

#include <QDialog>
#include <QPointF>
#include <QWidget>

#include "lang/text_table.h"
#include "settings/toner_order.h"

class QComboBox;

namespace nvx::app {

// The three points a drag can move, numbered as the editor picks them.
enum class CurveHandle { None = 0, P2 = 1, P1 = 2, P0 = 3 };

// The ink the canvas edits: cyan, magenta or yellow, or all three at once
// (the cyan curve, copied to the other two).
inline constexpr int kAllInks = -1;

// The drawing area: the tone curves on a white square, one value a pixel
// inside a one-pixel frame, with markers on the points a drag moves.
class CurveCanvas : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSide = 258;

  explicit CurveCanvas(QWidget* parent = nullptr);

  void SetPoints(const ColourAdjustPoints& points);
  const ColourAdjustPoints& Points() const { return points_; }
  void SetInk(int ink);  // kAllInks or 0..2
  int Ink() const { return ink_; }

  // Where the value point (x, y) stands on the canvas: x to the right, y up.
  static QPointF CanvasPosition(int x, int y);
  // Where a handle of the edited curve stands (of cyan while all inks are edited).
  QPointF HandlePosition(CurveHandle handle) const;
  // The handle whose marker lies under `position`, the nearest when several do.
  CurveHandle HandleAt(QPointF position) const;

  QSize sizeHint() const override { return {kSide, kSide}; }

 signals:
  void pointsChanged(const nvx::ColourAdjustPoints& points);  // each step of a drag

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int EditedInk() const { return ink_ == kAllInks ? 0 : ink_; }
  void MoveHeld(QPointF position);

  ColourAdjustPoints points_;
  int ink_ = kAllInks;
  CurveHandle held_ = CurveHandle::None;
  QPointF grabOffset_;  // from the mouse to the held point, so it does not jump
};

// "Colour Adjust": the canvas, the ink list, "OK" and "Cancel". Every change
// is announced at once so the preview follows the drag; Cancel and the close
// box bring back the points the dialog opened with, and announce them too.
class CurveEditor : public QDialog {
  Q_OBJECT
 public:
  CurveEditor(QWidget* parent, const TextTable& text, const ColourAdjustPoints& points);

  // The points in force: the edited ones, or the opening ones after Cancel.
  const ColourAdjustPoints& Points() const;

 signals:
  void pointsChanged(const nvx::ColourAdjustPoints& points);

 public slots:
  void reject() override;

 private:
  ColourAdjustPoints backup_;
  CurveCanvas* canvas_ = nullptr;
  QComboBox* inks_ = nullptr;
};

}  // namespace nvx::app
