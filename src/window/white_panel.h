#pragma once

#include <QGroupBox>
#include <QList>

#include "settings/live_settings.h"
#include "settings/units.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace nvx::app {

class Captions;
class WhiteChokeBox;

// The white panel: whether the white is shown and printed, its density and
// threshold, and the white choke.
class WhitePanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit WhitePanel(Captions& captions, QWidget* parent = nullptr);

  void Read(LiveSettings& live) const;
  // The switches, the sliders and the enable states the media rules decide.
  void Show(const LiveSettings& live);
  // The sliders' values beside them.
  void ShowLabels();
  // The white choke in `unit`, labelled `unitLabel`.
  void ShowChoke(const LiveSettings& live, DisplayUnit unit, const QString& unitLabel);
  QList<QWidget*> TabOrder() const;

 signals:
  void settingChanged();
  void chokeChanged(double mm);

 private:
  QCheckBox* displayWhite_ = nullptr;
  QCheckBox* thresholdOn_ = nullptr;
  QCheckBox* printWhite_ = nullptr;
  QCheckBox* printCmy_ = nullptr;
  QSlider* whiteDensity_ = nullptr;
  QSlider* threshold_ = nullptr;
  QLabel* whiteDensityValue_ = nullptr;
  QLabel* thresholdValue_ = nullptr;
  WhiteChokeBox* whiteChoke_ = nullptr;
};

}  // namespace nvx::app
