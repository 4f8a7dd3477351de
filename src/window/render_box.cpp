#include "window/render_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "job/print_controls.h"
#include "window/panel_parts.h"
#include "window/qt_text.h"
#include "window/window_texts.h"

namespace nvx::app {
namespace {

// A spin box that announces its value once it is complete, not digit by digit:
// each value renders the page again.
QSpinBox* QuietSpinBox(const char* name) {
  auto* box = new QSpinBox;
  box->setObjectName(QLatin1String(name));
  box->setKeyboardTracking(false);
  return box;
}

}  // namespace

RenderBox::RenderBox(Captions& captions, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("renderBox"));
  const PrintControl dpi = *FindPrintControl(control::kRenderDpi);
  dpi_ = QuietSpinBox("renderDpi");
  dpi_->setRange(dpi.min, dpi.max);
  dpi_->setValue(dpi.defaultValue);
  shownDpi_ = dpi.defaultValue;
  dpi_->setSingleStep(50);
  dpi_->setSuffix(QStringLiteral(" dpi"));
  dpi_->setToolTip(Q(texts::kRenderResolutionTip));
  page_ = QuietSpinBox("renderPage");
  page_->setRange(1, 1);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(captions.Add(new QLabel, -1, texts::kRenderResolution));
  row->addWidget(dpi_);
  row->addSpacing(6);
  pageLabel_ = captions.Add(new QLabel, -1, texts::kRenderPage);
  row->addWidget(pageLabel_);
  row->addWidget(page_);
  row->addStretch(1);
  ShowDocument(1, 1);

  connect(dpi_, &QSpinBox::valueChanged, this, &RenderBox::resolutionChanged);
  connect(page_, &QSpinBox::valueChanged, this, &RenderBox::pageChosen);
}

void RenderBox::Read(LiveSettings& live) const { live.renderDpi = dpi_->value(); }

void RenderBox::Show(const LiveSettings& live) {
  const QSignalBlocker quiet(dpi_);
  dpi_->setValue(live.renderDpi);
}

void RenderBox::ShowDocument(int pageCount, int page) {
  const QSignalBlocker quiet(page_);
  page_->setRange(1, std::max(1, pageCount));
  page_->setValue(page);
  page_->setSuffix(QStringLiteral(" / ") + QString::number(pageCount));
  shownPage_ = page_->value();
  pageLabel_->setVisible(pageCount > 1);
  page_->setVisible(pageCount > 1);
}

void RenderBox::LoadEnded(bool loaded, int pageCount, LiveSettings& live) {
  if (loaded) {
    ShowDocument(pageCount, live.page);
    shownDpi_ = live.renderDpi;
    return;
  }
  live.page = shownPage_;
  live.renderDpi = shownDpi_;
  const QSignalBlocker quiet(page_);
  page_->setValue(shownPage_);
}

int RenderBox::ChosenPage() const { return page_->value(); }

QList<QWidget*> RenderBox::TabOrder() const { return {dpi_, page_}; }

}  // namespace nvx::app
