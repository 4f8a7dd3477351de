#include "window/preview_widget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

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

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (page_.isNull()) {
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.drawPixmap(0, 0,
                 art::EmptyPreviewPicture(EmptyPreviewFor(width()), size(), devicePixelRatioF()));
    return;
  }
  // The page was drawn for this area, or for a smaller one it is enlarged from
  // until the drawing at full size arrives; centre it, and shrink it only while
  // a resize has made the area smaller than the page.
  QSizeF shown = QSizeF(page_.size()) / page_.devicePixelRatio();
  if (shown.width() > width() || shown.height() > height()) {
    shown.scale(QSizeF(size()), Qt::KeepAspectRatio);
  }
  const QRectF target((width() - shown.width()) / 2, (height() - shown.height()) / 2, shown.width(),
                      shown.height());
  // The sheet lies on a neutral grey desk, with a thin edge so a white sheet shows.
  p.fillRect(rect(), QColor(128, 128, 132));
  p.setPen(QColor(70, 70, 74));
  p.drawRect(target.adjusted(-1, -1, 0, 0));
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(target, page_);
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
