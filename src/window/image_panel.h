#pragma once

#include <QGroupBox>
#include <QList>

#include "settings/live_settings.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace nvx::app {

class Captions;
class RenderBox;

// The image panel: mirror, rotate, flip, the guard area, background and black
// removal, the pattern preview, the brightness and contrast sliders, and the
// render resolution and page of vector artwork.
class ImagePanel : public QGroupBox {
  Q_OBJECT
 public:
  // `dpr`: the window's device pixel ratio, for the sliders' pictures.
  ImagePanel(Captions& captions, qreal dpr, QWidget* parent = nullptr);

  void Read(LiveSettings& live) const;
  void Show(const LiveSettings& live);
  // The sliders' values beside them.
  void ShowLabels();
  // A gang sheet turns each copy itself and prints no pattern: those switches rest.
  void ShowSheet(bool shown);
  QList<QWidget*> TabOrder() const;
  RenderBox& Render() const { return *render_; }

 signals:
  void settingChanged();
  void flipClicked();
  void backgroundRemovalClicked();

 private:
  QCheckBox* mirror_ = nullptr;
  QCheckBox* rotate_ = nullptr;
  QCheckBox* flip_ = nullptr;
  QCheckBox* guardArea_ = nullptr;
  QCheckBox* backgroundRemoval_ = nullptr;
  QCheckBox* blackRemoval_ = nullptr;
  QCheckBox* patternPreview_ = nullptr;
  QSlider* brightness_ = nullptr;
  QSlider* contrast_ = nullptr;
  QLabel* brightnessValue_ = nullptr;
  QLabel* contrastValue_ = nullptr;
  RenderBox* render_ = nullptr;
};

}  // namespace nvx::app
