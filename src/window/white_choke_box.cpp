#include "window/white_choke_box.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "image/white_choke.h"

namespace nvx::app {
namespace {

struct UnitSteps {
  double mmPerUnit;
  int decimals;  // as the window's other lengths show the unit
  double step;
};

UnitSteps StepsFor(DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return {10, 2, 0.01};
    case DisplayUnit::Inches:
      return {25.4, 3, 0.005};
    case DisplayUnit::Millimetres:
      break;
  }
  return {1, 1, 0.1};
}

}  // namespace

WhiteChokeBox::WhiteChokeBox(QWidget* parent) : QDoubleSpinBox(parent) {
  setObjectName(QStringLiteral("whiteChoke"));
  // Typing stores the value once it is complete, not digit by digit.
  setKeyboardTracking(false);
  setAccelerated(true);
  Show(0, DisplayUnit::Millimetres, QStringLiteral("mm"));
  connect(this, &QDoubleSpinBox::valueChanged, this,
          [this] { emit millimetresChanged(Millimetres()); });
}

void WhiteChokeBox::Show(double mm, DisplayUnit unit, const QString& unitLabel) {
  const QSignalBlocker quiet(this);
  const UnitSteps steps = StepsFor(unit);
  mmPerUnit_ = steps.mmPerUnit;
  setDecimals(steps.decimals);
  setSingleStep(steps.step);
  const double scale = std::pow(10.0, steps.decimals);
  // The top of the range rounded up, so the whole 2 mm can be chosen in any unit.
  setRange(0, std::ceil(kMaxWhiteChokeMm / mmPerUnit_ * scale) / scale);
  setSuffix(QLatin1Char(' ') + unitLabel);
  setValue(mm / mmPerUnit_);
}

double WhiteChokeBox::Millimetres() const {
  return std::clamp(value() * mmPerUnit_, 0.0, kMaxWhiteChokeMm);
}

}  // namespace nvx::app
