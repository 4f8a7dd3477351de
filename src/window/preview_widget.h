#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

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

 signals:
  void filesDropped(const QList<QByteArray>& paths);  // the file system's bytes

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QImage page_;
};

}  // namespace nvx::app
