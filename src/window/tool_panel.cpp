#include "window/tool_panel.h"

#include <QGridLayout>
#include <QSignalBlocker>
#include <memory>
#include <vector>

#include "window/image_panel.h"
#include "window/printer_panel.h"
#include "window/sheet_panel.h"
#include "window/size_panel.h"
#include "window/white_panel.h"

namespace nvx::app {

ToolPanel::ToolPanel(bool faceUpExit, qreal dpr, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("toolPanel"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  printer_ = new PrinterPanel(captions_, faceUpExit);
  grid->addWidget(printer_, 0, 0, 3, 1);
  white_ = new WhitePanel(captions_);
  grid->addWidget(white_, 0, 1);
  image_ = new ImagePanel(captions_, dpr);
  grid->addWidget(image_, 1, 1);
  align_ = new AlignPanel(captions_);
  size_ = new SizePanel(captions_);
  grid->addWidget(align_, 0, 2);
  grid->addWidget(size_, 1, 2);
  sheet_ = new SheetPanel(captions_);
  grid->addWidget(sheet_, 0, 2, 2, 1);
  sheet_->hide();
  grid->setRowStretch(2, 1);  // the groups stay compact; spare height gathers below them
  for (int c = 0; c < 3; ++c) grid->setColumnStretch(c, 1);
}

void ToolPanel::Read(LiveSettings& live) const {
  printer_->Read(live);
  white_->Read(live);
  image_->Read(live);
  align_->Read(live);
  size_->Read(live);
}

void ToolPanel::Show(const LiveSettings& live, DisplayUnit unit, const QString& unitLabel) {
  std::vector<std::unique_ptr<QSignalBlocker>> blockers;
  for (QWidget* w : findChildren<QWidget*>())
    blockers.push_back(std::make_unique<QSignalBlocker>(w));
  printer_->Show(live);
  white_->Show(live);
  image_->Show(live);
  align_->Show(live);
  size_->Show(live);
  white_->ShowChoke(live, unit, unitLabel);
  ShowLabels();
}

void ToolPanel::ShowLabels() {
  white_->ShowLabels();
  image_->ShowLabels();
}

void ToolPanel::ShowUnit(const LiveSettings& live, DisplayUnit unit, const QString& label) {
  size_->ShowUnit(label);
  white_->ShowChoke(live, unit, label);
}

void ToolPanel::ShowSheet(bool shown) {
  align_->setVisible(!shown);
  size_->setVisible(!shown);
  sheet_->setVisible(shown);
  image_->ShowSheet(shown);
}

QList<QWidget*> ToolPanel::TabOrder() const {
  // Printer choices first, then the buttons that act on them, then the white
  // and image switches, the alignment and the size fields, as the panels stand.
  return printer_->TabOrder() + white_->TabOrder() + image_->TabOrder() + align_->TabOrder() +
         size_->TabOrder() + sheet_->TabOrder();
}

}  // namespace nvx::app
