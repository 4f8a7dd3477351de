#include "window/size_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "job/print_controls.h"
#include "lang/text_entries.h"
#include "settings/numbers.h"
#include "window/panel_parts.h"
#include "window/qt_text.h"

namespace nvx::app {

AlignPanel::AlignPanel(Captions& captions, QWidget* parent) : QGroupBox(parent) {
  captions.Add(this, static_cast<int>(entry::kAlignControls));
  setObjectName(QStringLiteral("alignControls"));
  auto* grid = new QGridLayout(this);
  grid->setSpacing(4);
  for (int i = 0; i < 9; ++i) {
    auto* b = new QRadioButton;
    b->setObjectName(QStringLiteral("align%1").arg(i + 1));
    b->setChecked(i + 1 == Control(control::kAlign).defaultValue);
    grid->addWidget(b, i / 3, i % 3, Qt::AlignCenter);
    align_[static_cast<std::size_t>(i)] = b;
    connect(b, &QRadioButton::clicked, this, &AlignPanel::settingChanged);
  }
}

void AlignPanel::Read(LiveSettings& live) const {
  for (int i = 0; i < 9; ++i) {
    if (align_[static_cast<std::size_t>(i)]->isChecked()) live.alignment = i + 1;
  }
}

void AlignPanel::Show(const LiveSettings& live) {
  const int place = HoldToRange(Control(control::kAlign), live.alignment);
  align_[static_cast<std::size_t>(place - 1)]->setChecked(true);
}

QList<QWidget*> AlignPanel::TabOrder() const { return {align_.begin(), align_.end()}; }

SizePanel::SizePanel(Captions& captions, QWidget* parent) : QGroupBox(parent) {
  setObjectName(QStringLiteral("sizeControls"));
  auto* grid = new QGridLayout(this);
  grid->setVerticalSpacing(3);
  auto row = [&](QLineEdit*& f, const char* name, std::size_t entry, bool editable, int r) {
    grid->addWidget(captions.Add(new QLabel, static_cast<int>(entry)), r, 0);
    f = Field(name, editable);
    grid->addWidget(f, r, 1);
  };
  row(dpi_, "dpi", entry::kDpi, false, 0);
  row(zoom_, "zoom", entry::kZoom, false, 1);
  row(xSize_, "xSize", entry::kXSize, false, 2);
  row(ySize_, "ySize", entry::kYSize, false, 3);
  unitLabel_ = new QLabel;
  unitLabel_->setObjectName(QStringLiteral("unitLabel"));
  grid->addWidget(unitLabel_, 2, 2, 2, 1);
  row(xCopy_, "xCopy", entry::kXCopy, true, 4);
  row(yCopy_, "yCopy", entry::kYCopy, true, 5);
  row(total_, "total", entry::kTotal, false, 6);
  xCopy_->setValidator(ControlValidator(control::kXCopies, xCopy_));
  yCopy_->setValidator(ControlValidator(control::kYCopies, yCopy_));
  automaticTile_ = captions.Add(new QCheckBox, static_cast<int>(entry::kAutomaticTile));
  automaticTile_->setObjectName(QStringLiteral("automaticTile"));
  optimalLayout_ = captions.Add(new QCheckBox, static_cast<int>(entry::kOptimalLayout));
  optimalLayout_->setObjectName(QStringLiteral("optimalLayout"));
  fitToPage_ = captions.Add(new QPushButton, static_cast<int>(entry::kFitToPage));
  fitToPage_->setObjectName(QStringLiteral("fitToPage"));
  grid->addWidget(automaticTile_, 7, 0, 1, 3);
  grid->addWidget(optimalLayout_, 8, 0, 1, 3);
  grid->addWidget(fitToPage_, 9, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(10, 1);

  connect(xCopy_, &QLineEdit::editingFinished, this, &SizePanel::copiesEdited);
  connect(yCopy_, &QLineEdit::editingFinished, this, &SizePanel::copiesEdited);
  connect(fitToPage_, &QPushButton::clicked, this, &SizePanel::fitToPage);
  connect(automaticTile_, &QCheckBox::clicked, this, &SizePanel::settingChanged);
  connect(optimalLayout_, &QCheckBox::clicked, this, &SizePanel::settingChanged);
}

void SizePanel::Read(LiveSettings& live) const {
  live.xCopy = HoldToRange(Control(control::kXCopies), LeadingInteger(S(xCopy_->text())));
  live.yCopy = HoldToRange(Control(control::kYCopies), LeadingInteger(S(yCopy_->text())));
  live.automaticTile = automaticTile_->isChecked();
  live.optimalLayout = optimalLayout_->isChecked();
}

void SizePanel::Show(const LiveSettings& live) {
  ShowNumbers(live);
  automaticTile_->setChecked(live.automaticTile);
  optimalLayout_->setChecked(live.optimalLayout);
}

void SizePanel::ShowNumbers(const LiveSettings& live) {
  dpi_->setText(QString::number(live.dpi));
  zoom_->setText(Q(live.zoom));
  xSize_->setText(Q(live.xSize));
  ySize_->setText(Q(live.ySize));
  xCopy_->setText(QString::number(live.xCopy));
  yCopy_->setText(QString::number(live.yCopy));
  total_->setText(QString::number(live.xCopy * live.yCopy));
}

void SizePanel::ShowUnit(const QString& label) { unitLabel_->setText(label); }

QList<QWidget*> SizePanel::TabOrder() const {
  return {xCopy_, yCopy_, automaticTile_, optimalLayout_, fitToPage_};
}

}  // namespace nvx::app
