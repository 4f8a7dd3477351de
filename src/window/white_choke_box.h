#pragma once

#include <QDoubleSpinBox>

#include "settings/units.h"

namespace nvx::app {

// "White Choke": the distance the white is pulled in from its edges, stored in
// millimetres and shown in the unit the window shows its other lengths in.
class WhiteChokeBox : public QDoubleSpinBox {
  Q_OBJECT
 public:
  explicit WhiteChokeBox(QWidget* parent = nullptr);

  // Shows `mm` in `unit`, labelled `unitLabel`; announces nothing.
  void Show(double mm, DisplayUnit unit, const QString& unitLabel);
  // The value shown, in millimetres, 0 to 2.
  double Millimetres() const;

 signals:
  void millimetresChanged(double mm);  // the user set a new value

 private:
  double mmPerUnit_ = 1;
};

}  // namespace nvx::app
