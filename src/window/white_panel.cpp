#include "window/white_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "job/print_controls.h"
#include "lang/text_entries.h"
#include "window/panel_parts.h"
#include "window/white_choke_box.h"
#include "window/window_texts.h"

namespace nvx::app {

WhitePanel::WhitePanel(Captions& captions, QWidget* parent) : QGroupBox(parent) {
  captions.Add(this, static_cast<int>(entry::kWhiteControls));
  setObjectName(QStringLiteral("whiteControls"));
  auto* grid = new QGridLayout(this);
  grid->setVerticalSpacing(2);
  // The right-hand switches line up with the sliders below them.
  auto check = [&](QCheckBox*& c, const char* name, std::size_t entry, int row, int col) {
    c = captions.Add(new QCheckBox, static_cast<int>(entry));
    c->setObjectName(QLatin1String(name));
    grid->addWidget(c, row, col, 1, col == 0 ? 1 : 3);
    connect(c, &QCheckBox::clicked, this, &WhitePanel::settingChanged);
  };
  check(displayWhite_, "displayWhite", entry::kDisplayWhite, 0, 0);
  check(thresholdOn_, "thresholdOn", entry::kThresholdOn, 0, 1);
  check(printWhite_, "printWhite", entry::kPrintWhite, 1, 0);
  check(printCmy_, "printCmy", entry::kPrintCmy, 1, 1);
  // Each caption stands left of its control, so "White Choke" fits in the
  // height the group had without it.
  auto slider = [&](QSlider*& s, QLabel*& value, const char* name, std::string_view control,
                    std::size_t entry, int row) {
    grid->addWidget(captions.Add(new QLabel, static_cast<int>(entry)), row, 0);
    s = ControlSlider(name, control);
    s->setPageStep(10);
    value = ValueLabel();
    grid->addWidget(s, row, 1, 1, 2);
    grid->addWidget(value, row, 3);
    connect(s, &QSlider::valueChanged, this, &WhitePanel::settingChanged);
  };
  slider(whiteDensity_, whiteDensityValue_, "whiteDensity", control::kWhiteDensity,
         entry::kWhiteDensity, 2);
  slider(threshold_, thresholdValue_, "threshold", control::kWhiteThreshold, entry::kWhiteThreshold,
         3);
  grid->addWidget(captions.Add(new QLabel, -1, texts::kWhiteChoke), 4, 0);
  whiteChoke_ = new WhiteChokeBox;
  grid->addWidget(whiteChoke_, 4, 1, 1, 2);
  connect(whiteChoke_, &WhiteChokeBox::millimetresChanged, this, &WhitePanel::chokeChanged);
}

void WhitePanel::Read(LiveSettings& live) const {
  live.displayWhite = displayWhite_->isChecked();
  live.thresholdOn = thresholdOn_->isChecked();
  live.printWhite = printWhite_->isChecked();
  live.printCmy = printCmy_->isChecked();
  live.whiteMaskPercent = whiteDensity_->value();
  live.tonerPercent = threshold_->value();
}

void WhitePanel::Show(const LiveSettings& live) {
  displayWhite_->setChecked(live.displayWhite);
  thresholdOn_->setChecked(live.thresholdOn);
  printWhite_->setChecked(live.printWhite);
  printCmy_->setChecked(live.printCmy);
  whiteDensity_->setValue(live.whiteMaskPercent);
  threshold_->setValue(live.tonerPercent);
  whiteDensity_->setEnabled(live.whiteControlsEnabled);
  thresholdOn_->setEnabled(live.whiteControlsEnabled);
  threshold_->setEnabled(live.whiteControlsEnabled && live.thresholdSliderEnabled);
  displayWhite_->setEnabled(live.whiteControlsEnabled && live.displayWhiteEnabled);
  printCmy_->setEnabled(live.printCmyEnabled);
}

void WhitePanel::ShowLabels() {
  whiteDensityValue_->setText(
      QString::number(ControlValueAt(control::kWhiteDensity, whiteDensity_->value())) +
      QLatin1Char('%'));
  thresholdValue_->setText(
      QString::number(ControlValueAt(control::kWhiteThreshold, threshold_->value())) +
      QLatin1Char('%'));
}

void WhitePanel::ShowChoke(const LiveSettings& live, DisplayUnit unit, const QString& unitLabel) {
  whiteChoke_->Show(live.whiteChokeMm, unit, unitLabel);
  whiteChoke_->setEnabled(live.whiteControlsEnabled);
}

QList<QWidget*> WhitePanel::TabOrder() const {
  return {displayWhite_, thresholdOn_, printWhite_, printCmy_,
          whiteDensity_, threshold_,   whiteChoke_};
}

}  // namespace nvx::app
