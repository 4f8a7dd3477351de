#pragma once

#include <QPointer>
#include <QWidget>
#include <string_view>
#include <vector>

#include "lang/text_table.h"

class QIntValidator;
class QLabel;
class QLineEdit;
class QObject;
class QSlider;

namespace nvx {
struct PrintControl;
}  // namespace nvx

namespace nvx::app {

// Every caption of the window with its text-table entry (and the English text
// used when the entry is empty), so a change of language relabels the window
// in place. The panels add theirs to the window's one list.
class Captions {
 public:
  // `entry` -1: no entry, the fallback is the caption.
  template <typename W>
  W* Add(W* widget, int entry, std::string_view fallback = {}) {
    captions_.push_back({widget, entry, fallback});
    return widget;
  }
  // Labels, buttons and group boxes take their texts from `texts`.
  void Apply(const TextTable& texts) const;

 private:
  struct Caption {
    QPointer<QWidget> widget;
    int entry;
    std::string_view fallback;
  };
  std::vector<Caption> captions_;
};

// A number field of the panels, `editable` or shown only.
QLineEdit* Field(const char* name, bool editable);
// The print control of that name (the window's boxes and sliders take their
// ranges, defaults and steps from the one table of controls).
const PrintControl& Control(std::string_view name);
// A horizontal slider over the control's values, one position per step, at
// its default. The live settings keep the position.
QSlider* ControlSlider(const char* name, std::string_view control);
// The control's value at a slider position, as the label beside it says it.
int ControlValueAt(std::string_view control, int position);
// Whole numbers in the control's range, for a box that takes them.
QIntValidator* ControlValidator(std::string_view control, QObject* parent);
// The label beside a slider that shows its value.
QLabel* ValueLabel();

}  // namespace nvx::app
