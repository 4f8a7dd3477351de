#pragma once

#include <QGroupBox>
#include <QList>
#include <array>

#include "settings/live_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nvx::app {

class Captions;

// The alignment of the image on the page: nine places, top left first.
class AlignPanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit AlignPanel(Captions& captions, QWidget* parent = nullptr);

  void Read(LiveSettings& live) const;
  void Show(const LiveSettings& live);
  QList<QWidget*> TabOrder() const;

 signals:
  void settingChanged();

 private:
  std::array<QRadioButton*, 9> align_{};
};

// The size panel: the image's resolution, zoom and size, the copies across
// and down, the tiling switches and Fit to Page.
class SizePanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit SizePanel(Captions& captions, QWidget* parent = nullptr);

  void Read(LiveSettings& live) const;
  void Show(const LiveSettings& live);
  // The fields the load and the placement fill.
  void ShowNumbers(const LiveSettings& live);
  // The unit the sizes are shown in.
  void ShowUnit(const QString& label);
  QList<QWidget*> TabOrder() const;

 signals:
  void copiesEdited();
  void settingChanged();
  void fitToPage();

 private:
  QLineEdit* dpi_ = nullptr;
  QLineEdit* zoom_ = nullptr;
  QLineEdit* xSize_ = nullptr;
  QLineEdit* ySize_ = nullptr;
  QLabel* unitLabel_ = nullptr;
  QLineEdit* xCopy_ = nullptr;
  QLineEdit* yCopy_ = nullptr;
  QLineEdit* total_ = nullptr;
  QCheckBox* automaticTile_ = nullptr;
  QCheckBox* optimalLayout_ = nullptr;
  QPushButton* fitToPage_ = nullptr;
};

}  // namespace nvx::app
