#pragma once

#include <QImage>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "image/preview.h"

namespace nvx::app {

// The preview area: the rendered page while an image is loaded, else a picture
// that asks for one. Files dropped on it are passed on as local paths.
class PreviewWidget : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewWidget(QWidget* parent = nullptr);

  // A null image shows the empty picture. A page drawn smaller than the area
  // carries the ratio in its device pixel ratio and is shown enlarged.
  void ShowPage(QImage page);
  void ShowDrawnPage(const PreviewBitmap& page, qreal pixelRatio = 1);
  const QImage& Page() const { return page_; }
  QSize sizeHint() const override;
  // Boxes drawn over the page, in the page's pixels (a gang sheet's copies),
  // `selected` highlighted; a box pressed on may be dragged. Empty: none.
  void ShowOutlines(std::vector<QRectF> outlines, int selected);
  const std::vector<QRectF>& Outlines() const { return outlines_; }
  // Where a page point stands on the widget, and back.
  QPointF ToWidget(QPointF pagePoint) const;
  QPointF ToPage(QPointF widgetPoint) const;

 signals:
  void filesDropped(const QList<QByteArray>& paths);  // the file system's bytes
  // A press on outline `index` (-1: beside every outline).
  void outlinePressed(int index);
  // Outline `index` dragged and let go `offset` page pixels from where it was.
  void outlineDropped(int index, QPointF offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRectF PageTarget() const;

  QImage page_;
  std::vector<QRectF> outlines_;
  int selected_ = -1;
  int dragged_ = -1;  // the outline under the pressed button
  QPointF pressedAt_;
  QPointF dragOffset_;  // in page pixels
};

}  // namespace nvx::app
