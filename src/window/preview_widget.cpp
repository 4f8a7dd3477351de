#include "window/preview_widget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <utility>

#include "window/artwork.h"
#include "window/window_layout.h"

namespace nvx::app {

PreviewWidget::PreviewWidget(QWidget* parent) : QWidget(parent) {
  setAcceptDrops(true);
  setObjectName(QStringLiteral("preview"));
  setMinimumSize(180, 240);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWidget::ShowPage(QImage page) {
  page_ = std::move(page);
  update();
}

void PreviewWidget::ShowDrawnPage(const PreviewBitmap& page, qreal pixelRatio) {
  if (page.width <= 0 || page.height <= 0) {
    ShowPage(QImage());
    return;
  }
  // B G R 0 bytes are a little-endian 0x00RRGGBB: Qt's RGB32 as it stands.
  QImage image(page.bgrx.data(), page.width, page.height, page.width * 4, QImage::Format_RGB32);
  QImage shown = image.copy();
  shown.setDevicePixelRatio(pixelRatio);
  ShowPage(std::move(shown));
}

QSize PreviewWidget::sizeHint() const { return {310, PreviewHeightFor(310)}; }

// The page was drawn for this area, or for a smaller one it is enlarged from
// until the drawing at full size arrives; centred, and shrunk only while a
// resize has made the area smaller than the page.
QRectF PreviewWidget::PageTarget() const {
  QSizeF shown = QSizeF(page_.size()) / page_.devicePixelRatio();
  if (shown.width() > width() || shown.height() > height()) {
    shown.scale(QSizeF(size()), Qt::KeepAspectRatio);
  }
  return {(width() - shown.width()) / 2, (height() - shown.height()) / 2, shown.width(),
          shown.height()};
}

QPointF PreviewWidget::ToWidget(QPointF pagePoint) const {
  const QRectF target = PageTarget();
  const qreal scale =
      page_.isNull() ? 1 : target.width() * page_.devicePixelRatio() / page_.width();
  return target.topLeft() + pagePoint * scale;
}

QPointF PreviewWidget::ToPage(QPointF widgetPoint) const {
  const QRectF target = PageTarget();
  const qreal scale =
      page_.isNull() ? 1 : target.width() * page_.devicePixelRatio() / page_.width();
  return (widgetPoint - target.topLeft()) / scale;
}

void PreviewWidget::ShowOutlines(std::vector<QRectF> outlines, int selected) {
  outlines_ = std::move(outlines);
  selected_ = selected;
  dragged_ = -1;
  update();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (page_.isNull()) {
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.drawPixmap(0, 0,
                 art::EmptyPreviewPicture(EmptyPreviewFor(width()), size(), devicePixelRatioF()));
    return;
  }
  const QRectF target = PageTarget();
  // The sheet lies on a neutral grey desk, with a thin edge so a white sheet shows.
  p.fillRect(rect(), QColor(128, 128, 132));
  p.setPen(QColor(70, 70, 74));
  p.drawRect(target.adjusted(-1, -1, 0, 0));
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(target, page_);
  if (selected_ < 0 || selected_ >= static_cast<int>(outlines_.size())) return;
  // The chosen copy stands out from the outlines drawn into the page; while it
  // is dragged, its box follows the pointer.
  const QRectF box = outlines_[static_cast<std::size_t>(selected_)].translated(
      dragged_ == selected_ ? dragOffset_ : QPointF());
  p.setRenderHint(QPainter::Antialiasing);
  QColor highlight = palette().color(QPalette::Highlight);
  p.setPen(QPen(highlight, 2));
  highlight.setAlpha(64);
  p.setBrush(highlight);
  p.drawRect(QRectF(ToWidget(box.topLeft()), ToWidget(box.bottomRight())));
}

void PreviewWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || outlines_.empty()) return;
  const QPointF at = ToPage(event->position());
  int hit = -1;
  // The last drawn lies on top.
  for (int i = static_cast<int>(outlines_.size()) - 1; i >= 0 && hit < 0; --i) {
    if (outlines_[static_cast<std::size_t>(i)].contains(at)) hit = i;
  }
  selected_ = hit;
  dragged_ = hit;
  pressedAt_ = at;
  dragOffset_ = {};
  update();
  emit outlinePressed(hit);
}

void PreviewWidget::mouseMoveEvent(QMouseEvent* event) {
  if (dragged_ < 0) return;
  dragOffset_ = ToPage(event->position()) - pressedAt_;
  update();
}

void PreviewWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (dragged_ < 0 || event->button() != Qt::LeftButton) return;
  const int index = std::exchange(dragged_, -1);
  dragOffset_ = ToPage(event->position()) - pressedAt_;
  update();
  // A click that barely moved chooses the copy; it does not move it.
  if (QLineF(ToWidget(pressedAt_), event->position()).length() >= 3) {
    emit outlineDropped(index, dragOffset_);
  }
}

void PreviewWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PreviewWidget::dropEvent(QDropEvent* event) {
  // The path's own bytes: a name need not be UTF-8, and its URL keeps every
  // byte percent-encoded that is not.
  QList<QByteArray> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile())
      paths << QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  }
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  emit filesDropped(paths);
}

}  // namespace nvx::app
