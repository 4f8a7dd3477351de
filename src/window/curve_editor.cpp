#include "window/curve_editor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "window/artwork.h"
#include "window/qt_text.h"

namespace nvx::app {
namespace {

constexpr int kSamples = 500;     // points along each drawn curve
constexpr double kHitRadius = 6;  // how near a press must be to a marker, in pixels
constexpr double kMarkerRadius = 4;

// The ink colours, darkened where the pure ink would not show on white.
const QColor kInkColours[3] = {QColor(0, 160, 220), QColor(225, 0, 140), QColor(215, 175, 0)};
const QColor kAllInksColour(45, 45, 45);

// The point of `handle` among a curve's four: P0, P1, P2, P3 (-1 for none).
int PointIndex(CurveHandle handle) {
  return handle == CurveHandle::None ? -1 : 3 - static_cast<int>(handle);
}

QPointF CurvePoint(const ColourAdjustPoints& points, int ink, int index) {
  const std::size_t at = static_cast<std::size_t>(8 * ink + 2 * index);
  return CurveCanvas::CanvasPosition(points.values[at], points.values[at + 1]);
}

// The Bezier curve from P0 to P3 as the canvas shows it.
QPainterPath CurvePath(const ColourAdjustPoints& points, int ink) {
  const QPointF p0 = CurvePoint(points, ink, 0), p1 = CurvePoint(points, ink, 1),
                p2 = CurvePoint(points, ink, 2), p3 = CurvePoint(points, ink, 3);
  QPainterPath path(p0);
  for (int s = 1; s <= kSamples; ++s) {
    const double t = static_cast<double>(s) / kSamples, u = 1 - t;
    path.lineTo(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
  }
  return path;
}

void DrawMarker(QPainter& p, QPointF at, const QColor& colour, bool square) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(colour);
  const QRectF box(at.x() - kMarkerRadius, at.y() - kMarkerRadius, 2 * kMarkerRadius,
                   2 * kMarkerRadius);
  if (square) {
    p.drawRect(box);
  } else {
    p.drawEllipse(box);
  }
}

}  // namespace

CurveCanvas::CurveCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("curveCanvas"));
  setFixedSize(kSide, kSide);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
  setCursor(Qt::CrossCursor);
}

void CurveCanvas::SetPoints(const ColourAdjustPoints& points) {
  points_ = points;
  update();
}

void CurveCanvas::SetInk(int ink) {
  ink_ = ink >= 0 && ink < 3 ? ink : kAllInks;
  update();
}

QPointF CurveCanvas::CanvasPosition(int x, int y) { return {1.0 + x, 256.0 - y}; }

QPointF CurveCanvas::HandlePosition(CurveHandle handle) const {
  const int index = PointIndex(handle);
  return index < 0 ? QPointF() : CurvePoint(points_, EditedInk(), index);
}

CurveHandle CurveCanvas::HandleAt(QPointF position) const {
  CurveHandle nearest = CurveHandle::None;
  double best = kHitRadius;
  for (CurveHandle h : {CurveHandle::P0, CurveHandle::P1, CurveHandle::P2}) {
    const QPointF d = HandlePosition(h) - position;
    const double distance = std::hypot(d.x(), d.y());
    if (distance <= best) {
      best = distance;
      nearest = h;
    }
  }
  return nearest;
}

void CurveCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setPen(QColor(150, 150, 150));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  // Values fall on pixel centres, so lines a pixel wide stay sharp.
  p.translate(0.5, 0.5);
  p.setPen(QPen(QColor(228, 228, 228), 1));
  for (int v = 64; v < 256; v += 64) {
    p.drawLine(CanvasPosition(v, 0), CanvasPosition(v, 255));
    p.drawLine(CanvasPosition(0, v), CanvasPosition(255, v));
  }
  p.setPen(QPen(QColor(205, 205, 205), 1, Qt::DotLine));
  p.drawLine(CanvasPosition(0, 0), CanvasPosition(255, 255));

  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  const int edited = EditedInk();
  // The inks not being edited stay in view, faint, to compare against.
  for (int ink = 0; ink < 3; ++ink) {
    if (ink_ != kAllInks && ink == edited) continue;
    QColor colour = kInkColours[ink];
    if (ink_ != kAllInks) colour.setAlpha(110);
    p.setPen(QPen(colour, 1.2));
    p.drawPath(CurvePath(points_, ink));
  }
  p.setPen(QPen(QColor(160, 160, 160), 1, Qt::DashLine));
  p.drawLine(CurvePoint(points_, edited, 0), CurvePoint(points_, edited, 1));
  p.drawLine(CurvePoint(points_, edited, 3), CurvePoint(points_, edited, 2));
  p.setPen(QPen(ink_ == kAllInks ? kAllInksColour : kInkColours[edited], 2));
  p.drawPath(CurvePath(points_, edited));

  DrawMarker(p, HandlePosition(CurveHandle::P2), QColor(255, 0, 0), false);
  DrawMarker(p, HandlePosition(CurveHandle::P1), QColor(150, 0, 0), false);
  DrawMarker(p, HandlePosition(CurveHandle::P0), QColor(255, 0, 255), true);
}

void CurveCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  held_ = HandleAt(event->position());
  if (held_ == CurveHandle::None) return;
  grabOffset_ = HandlePosition(held_) - event->position();
  setFocus(Qt::MouseFocusReason);
}

void CurveCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (held_ == CurveHandle::None || !(event->buttons() & Qt::LeftButton)) return;
  MoveHeld(event->position() + grabOffset_);
}

void CurveCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) held_ = CurveHandle::None;
}

void CurveCanvas::MoveHeld(QPointF position) {
  const int x = std::clamp(static_cast<int>(std::lround(position.x())) - 1, 0, 255);
  const int y = std::clamp(256 - static_cast<int>(std::lround(position.y())), 0, 255);
  ColourAdjustPoints moved = points_;
  const std::size_t at = static_cast<std::size_t>(8 * EditedInk() + 2 * PointIndex(held_));
  // The end point only slides up and down its edge.
  if (held_ != CurveHandle::P0) moved.values[at] = static_cast<std::uint8_t>(x);
  moved.values[at + 1] = static_cast<std::uint8_t>(y);
  if (ink_ == kAllInks) {
    std::copy_n(moved.values.begin(), 8, moved.values.begin() + 8);
    std::copy_n(moved.values.begin(), 8, moved.values.begin() + 16);
  }
  if (moved == points_) return;
  SetPoints(moved);
  emit pointsChanged(points_);
}

CurveEditor::CurveEditor(QWidget* parent, const TextTable& text, const ColourAdjustPoints& points)
    : QDialog(parent), backup_(points) {
  auto t = [&text](int entry) { return Q(text[static_cast<std::size_t>(entry)]); };
  setObjectName(QStringLiteral("curveEditor"));
  setWindowTitle(t(82));
  setWindowIcon(art::ProgramIcon());

  canvas_ = new CurveCanvas;
  canvas_->SetPoints(points);
  inks_ = new QComboBox;
  inks_->setObjectName(QStringLiteral("curveInk"));
  for (int entry = 83; entry <= 86; ++entry) inks_->addItem(t(entry));
  auto* ok = new QPushButton(t(6));
  ok->setObjectName(QStringLiteral("curveOk"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(t(5));
  cancel->setObjectName(QStringLiteral("curveCancel"));

  auto* side = new QVBoxLayout;
  side->addWidget(inks_);
  side->addStretch(1);
  side->addWidget(ok);
  side->addWidget(cancel);
  auto* row = new QHBoxLayout(this);
  row->addWidget(canvas_);
  row->addLayout(side);
  row->setSizeConstraint(QLayout::SetFixedSize);

  connect(inks_, &QComboBox::currentIndexChanged, canvas_,
          [this](int index) { canvas_->SetInk(index - 1); });
  connect(canvas_, &CurveCanvas::pointsChanged, this, &CurveEditor::pointsChanged);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CurveEditor::reject);
}

const ColourAdjustPoints& CurveEditor::Points() const { return canvas_->Points(); }

void CurveEditor::reject() {
  const bool changed = !(canvas_->Points() == backup_);
  canvas_->SetPoints(backup_);
  if (changed) emit pointsChanged(backup_);
  QDialog::reject();
}

}  // namespace nvx::app
