#include "window/sheet_panel.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <cmath>

#include "lang/text_entries.h"
#include "window/panel_parts.h"
#include "window/qt_text.h"
#include "window/window_texts.h"

namespace nvx::app {
namespace {

constexpr int kMaxCopies = 999;
constexpr double kMaxLength = 99999;  // in any unit: the printable area refuses what is too large

QDoubleSpinBox* LengthBox(const char* name) {
  auto* box = new QDoubleSpinBox;
  box->setObjectName(QLatin1String(name));
  box->setRange(0, kMaxLength);
  box->setDecimals(2);
  box->setKeyboardTracking(false);
  return box;
}

}  // namespace

SheetPanel::SheetPanel(Captions& captions, QWidget* parent) : QGroupBox(parent) {
  captions.Add(this, -1, texts::kSheetPanel);
  setObjectName(QStringLiteral("sheetControls"));
  auto* grid = new QGridLayout(this);
  grid->setVerticalSpacing(3);
  items_ = new QListWidget;
  items_->setObjectName(QStringLiteral("sheetItems"));
  items_->setMinimumHeight(72);
  grid->addWidget(items_, 0, 0, 1, 3);

  auto label = [&](std::string_view text, int entry, int row) {
    grid->addWidget(captions.Add(new QLabel, entry, text), row, 0);
  };
  label(texts::kSheetWidth, -1, 1);
  width_ = LengthBox("sheetWidth");
  grid->addWidget(width_, 1, 1);
  label(texts::kSheetHeight, -1, 2);
  height_ = LengthBox("sheetHeight");
  grid->addWidget(height_, 2, 1);
  unit_ = new QLabel;
  unit_->setObjectName(QStringLiteral("sheetUnit"));
  grid->addWidget(unit_, 1, 2, 2, 1);
  label({}, static_cast<int>(entry::kCopies), 3);
  copies_ = new QSpinBox;
  copies_->setObjectName(QStringLiteral("sheetCopies"));
  copies_->setRange(1, kMaxCopies);
  copies_->setKeyboardTracking(false);
  grid->addWidget(copies_, 3, 1);
  mayTurn_ = captions.Add(new QCheckBox, -1, texts::kSheetMayTurn);
  mayTurn_->setObjectName(QStringLiteral("sheetMayTurn"));
  grid->addWidget(mayTurn_, 4, 0, 1, 3);

  auto* buttons = new QHBoxLayout;
  remove_ = captions.Add(new QPushButton, -1, texts::kSheetRemove);
  remove_->setObjectName(QStringLiteral("sheetRemove"));
  arrange_ = captions.Add(new QPushButton, -1, texts::kSheetArrange);
  arrange_->setObjectName(QStringLiteral("sheetArrange"));
  buttons->addWidget(remove_);
  buttons->addWidget(arrange_);
  grid->addLayout(buttons, 5, 0, 1, 3);

  auto* steps = new QHBoxLayout;
  previous_ = new QToolButton;
  previous_->setObjectName(QStringLiteral("sheetPrevious"));
  previous_->setArrowType(Qt::LeftArrow);
  next_ = new QToolButton;
  next_->setObjectName(QStringLiteral("sheetNext"));
  next_->setArrowType(Qt::RightArrow);
  sheets_ = new QLabel;
  sheets_->setObjectName(QStringLiteral("sheetCount"));
  sheets_->setAlignment(Qt::AlignCenter);
  steps->addWidget(previous_);
  steps->addWidget(sheets_, 1);
  steps->addWidget(next_);
  grid->addLayout(steps, 6, 0, 1, 3);
  used_ = new QLabel;
  used_->setObjectName(QStringLiteral("sheetUsed"));
  used_->setAlignment(Qt::AlignCenter);
  grid->addWidget(used_, 7, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(0, 1);

  connect(items_, &QListWidget::currentRowChanged, this, &SheetPanel::itemChosen);
  // Only a value the user changed: a box that loses its focus sends its value too.
  connect(width_, &QDoubleSpinBox::valueChanged, this, [this](double v) { emit widthEdited(v); });
  connect(height_, &QDoubleSpinBox::valueChanged, this, [this](double v) { emit heightEdited(v); });
  connect(copies_, &QSpinBox::valueChanged, this, &SheetPanel::copiesEdited);
  connect(mayTurn_, &QCheckBox::clicked, this, &SheetPanel::mayTurnEdited);
  connect(remove_, &QPushButton::clicked, this, &SheetPanel::removeClicked);
  connect(arrange_, &QPushButton::clicked, this, &SheetPanel::arrangeClicked);
  connect(previous_, &QToolButton::clicked, this, [this] { emit sheetStepped(-1); });
  connect(next_, &QToolButton::clicked, this, [this] { emit sheetStepped(1); });
  ShowNoItem();
  ShowSheets(0, 0, 0);
}

void SheetPanel::ShowItems(const QStringList& names, int selected) {
  const QSignalBlocker quiet(items_);
  items_->clear();
  items_->addItems(names);
  items_->setCurrentRow(selected);
  arrange_->setEnabled(!names.isEmpty());
}

void SheetPanel::ShowItem(double width, double height, int copies, bool mayTurn) {
  const QSignalBlocker quietWidth(width_), quietHeight(height_), quietCopies(copies_);
  width_->setValue(width);
  height_->setValue(height);
  copies_->setValue(copies);
  mayTurn_->setChecked(mayTurn);
  EnableItemFields(true);
}

void SheetPanel::ShowNoItem(bool removable) {
  ShowItem(0, 0, 1, false);
  EnableItemFields(false);
  remove_->setEnabled(removable);
}

void SheetPanel::EnableItemFields(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{width_, height_, copies_, mayTurn_, remove_}) {
    w->setEnabled(enabled);
  }
}

void SheetPanel::ShowUnit(const QString& label) { unit_->setText(label); }

void SheetPanel::ShowSheets(int shown, int count, double usedPercent) {
  previous_->setEnabled(shown > 0);
  next_->setEnabled(shown + 1 < count);
  if (count <= 0) {
    sheets_->clear();
    used_->clear();
    return;
  }
  sheets_->setText(Q(texts::kSheetOf).arg(shown + 1).arg(count));
  used_->setText(Q(texts::kSheetUsed).arg(std::round(usedPercent * 10) / 10, 0, 'f', 1));
}

int SheetPanel::SelectedItem() const { return items_->currentRow(); }

QList<QWidget*> SheetPanel::TabOrder() const {
  return {items_, width_, height_, copies_, mayTurn_, remove_, arrange_, previous_, next_};
}

}  // namespace nvx::app
