#include "window/panel_parts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>
#include <stdexcept>

#include "job/print_controls.h"
#include "window/qt_text.h"

namespace nvx::app {

void Captions::Apply(const TextTable& texts) const {
  for (const Caption& c : captions_) {
    if (!c.widget) continue;
    const QString entry = c.entry >= 0 ? Q(texts[static_cast<std::size_t>(c.entry)]) : QString();
    const QString text = !entry.isEmpty() ? entry : Q(c.fallback);
    if (auto* label = qobject_cast<QLabel*>(c.widget))
      label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(c.widget))
      button->setText(text);
    else if (auto* box = qobject_cast<QGroupBox*>(c.widget))
      box->setTitle(text);
  }
}

QLineEdit* Field(const char* name, bool editable) {
  auto* field = new QLineEdit;
  field->setObjectName(QLatin1String(name));
  field->setReadOnly(!editable);
  // As wide as the longest value a field shows ("8.264", "1320.8", "1200.0%"), so
  // that a narrow window never cuts one: frame, margins and cursor take 12 pixels.
  const QFontMetrics metrics = field->fontMetrics();
  field->setFixedWidth(std::max(metrics.horizontalAdvance(QStringLiteral("0000.000")),
                                metrics.horizontalAdvance(QStringLiteral("0000.0%"))) +
                       12);
  if (!editable) field->setFocusPolicy(Qt::ClickFocus);
  return field;
}

const PrintControl& Control(std::string_view name) {
  for (const PrintControl& c : PrintControls()) {
    if (c.name == name) return c;
  }
  throw std::logic_error("no print control " + std::string(name));
}

QSlider* ControlSlider(const char* name, std::string_view control) {
  const PrintControl& c = Control(control);
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setObjectName(QLatin1String(name));
  slider->setRange(0, (c.max - c.min) / c.step);
  slider->setValue((c.defaultValue - c.min) / c.step);
  return slider;
}

int ControlValueAt(std::string_view control, int position) {
  const PrintControl& c = Control(control);
  return c.min + position * c.step;
}

QIntValidator* ControlValidator(std::string_view control, QObject* parent) {
  const PrintControl& c = Control(control);
  return new QIntValidator(c.min, c.max, parent);
}

QLabel* ValueLabel() {
  auto* label = new QLabel;
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("+100%")) + 4);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace nvx::app
