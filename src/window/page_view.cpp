#include "window/page_view.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "job/image_document.h"
#include "job/print_session.h"
#include "window/artwork.h"
#include "window/preview_widget.h"

namespace nvx::app {
namespace {

// A slider dragged or a window resized redraws at the quick size on each step;
// the full size follows once the steps pause for this long.
constexpr int kFullPreviewPauseMs = 150;
constexpr int kSwatchSide = 16;

}  // namespace

PageView::PageView(QWidget* parent)
    : QWidget(parent), fullSizeState_(std::make_unique<PreviewState>()) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);
  preview_ = new PreviewWidget;
  column->addWidget(preview_, 1);
  // The substrate swatches in two rows, so they fit the narrowest panel.
  auto* swatches = new QGridLayout;
  swatches->setSpacing(3);
  const qreal dpr = devicePixelRatioF();
  for (std::size_t i = 0; i < kSubstrates.size(); ++i) {
    const nvx::Substrate& s = kSubstrates[i];
    auto* button = new QToolButton;
    button->setObjectName(QStringLiteral("substrate%1").arg(s.index));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setIconSize(QSize(kSwatchSide, kSwatchSide));
    button->setIcon(art::SubstrateSwatch(QColor(s.red, s.green, s.blue),
                                         s.index == kCheckerboardSubstrate, kSwatchSide, dpr));
    button->setChecked(s.index == substrate_);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::clicked, this,
            [this, index = s.index] { ChooseSubstrate(index); });
    swatches->addWidget(button, int(i / 9), int(i % 9));
    substrates_.push_back(button);
  }
  // They stay together under the middle of a preview that has grown.
  auto* swatchRow = new QHBoxLayout;
  swatchRow->addStretch(1);
  swatchRow->addLayout(swatches);
  swatchRow->addStretch(1);
  column->addLayout(swatchRow);
  connect(preview_, &PreviewWidget::filesDropped, this, &PageView::filesDropped);

  pause_ = new QTimer(this);
  pause_->setSingleShot(true);
  pause_->setInterval(kFullPreviewPauseMs);
  connect(pause_, &QTimer::timeout, this, &PageView::fullSizeWanted);
}

PageView::~PageView() { WaitForFullSize(); }

QSize PageView::Area() const {
  constexpr int kDesk = 8;  // a little desk around the sheet
  return {std::max(16, preview_->width() - kDesk), std::max(16, preview_->height() - kDesk)};
}

void PageView::ShowEmpty() {
  ++generation_;
  preview_->ShowPage({});
}

void PageView::ShowPicture(const PreviewBitmap& picture) {
  ++generation_;
  pause_->stop();
  preview_->ShowDrawnPage(picture);
}

Notes PageView::Draw(PrintSession& s, ImageDocument& d) {
  ++generation_;
  const QSize area = Area();
  const QSize quick = QuickPreviewArea(area);
  PlaceOnPage(s, d, quick.width(), quick.height());
  PreviewBitmap page = RenderPagePreview(s, d, substrate_);
  preview_->ShowDrawnPage(page, qreal(quick.width()) / area.width());
  if (quick != area) pause_->start();
  return std::move(page.notes);
}

void PageView::DrawFullSize(PrintSession& s, ImageDocument& d) {
  if (fullSize_) {  // one at a time: the next once this one is done
    pause_->start();
    return;
  }
  // Placed on the full area for the drawing only: the copies boxes and the
  // layout stay those of the quick drawing the user has seen.
  const Placement quickPlacement = d.placement;
  const int xCopy = s.live.xCopy, yCopy = s.live.yCopy;
  const QSize area = Area();
  PlaceOnPage(s, d, area.width(), area.height());
  PagePreviewRequest request = PreparePagePreview(s, d, substrate_);
  d.placement = quickPlacement;
  s.live.xCopy = xCopy;
  s.live.yCopy = yCopy;

  const int generation = generation_;
  fullSize_ = new QFutureWatcher<PreviewBitmap>(this);
  connect(fullSize_, &QFutureWatcher<PreviewBitmap>::finished, this, [this, generation] {
    const PreviewBitmap page = fullSize_->result();
    fullSize_->deleteLater();
    fullSize_ = nullptr;
    if (generation == generation_) preview_->ShowDrawnPage(page);
  });
  PreviewState* state = fullSizeState_.get();
  fullSize_->setFuture(QtConcurrent::run(
      [request = std::move(request), state] { return DrawPagePreview(request, *state); }));
}

void PageView::WaitForFullSize() {
  if (fullSize_) fullSize_->waitForFinished();
}

QList<QWidget*> PageView::TabOrder() const { return {substrates_.begin(), substrates_.end()}; }

void PageView::ChooseSubstrate(int index) {
  for (std::size_t i = 0; i < substrates_.size(); ++i) {
    substrates_[i]->setChecked(kSubstrates[i].index == index);
  }
  if (index == substrate_) return;
  substrate_ = index;
  emit substrateChosen();
}

}  // namespace nvx::app
