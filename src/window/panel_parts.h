#pragma once

#include <QPointer>
#include <QWidget>
#include <string_view>
#include <vector>

#include "lang/text_table.h"

class QLabel;
class QLineEdit;
class QSlider;

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
// A horizontal slider from 0 to 100.
QSlider* PercentSlider(const char* name);
// The label beside a slider that shows its value.
QLabel* ValueLabel();

}  // namespace nvx::app
