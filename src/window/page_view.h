#pragma once

#include <QFutureWatcher>
#include <QList>
#include <QWidget>
#include <memory>
#include <vector>

#include "image/preview.h"

class QTimer;
class QToolButton;

namespace nvx {
struct ImageDocument;
struct PrintSession;
}  // namespace nvx

namespace nvx::app {

class PreviewWidget;

// The page preview and the substrate swatches under it. Each change draws the
// page at once on an area no larger than the default one, enlarged on screen;
// when the changes pause, a pool thread draws it at the preview's full size,
// which takes several times as long.
class PageView : public QWidget {
  Q_OBJECT
 public:
  explicit PageView(QWidget* parent = nullptr);
  ~PageView() override;

  // The area a page is drawn on: the preview less a little desk around the sheet.
  QSize Area() const;
  int Substrate() const { return substrate_; }
  // The picture that asks for an image.
  void ShowEmpty();
  // The page as `session` and `document` have it, placed on the quick area;
  // what the user is to be told of the drawing (a conversion that failed).
  Notes Draw(PrintSession& session, ImageDocument& document);
  // The full-size drawing of the page the last Draw showed; `fullSizeWanted`
  // asks for it once the changes pause.
  void DrawFullSize(PrintSession& session, ImageDocument& document);
  // The full-size drawing reads the image: work that changes it waits for it.
  void WaitForFullSize();
  QList<QWidget*> TabOrder() const;
  // A picture drawn elsewhere (a gang sheet's) in place of the page; a
  // full-size drawing still under way is dropped.
  void ShowPicture(const PreviewBitmap& picture);
  PreviewWidget& Preview() const { return *preview_; }

 signals:
  void substrateChosen();
  void fullSizeWanted();
  void filesDropped(const QList<QByteArray>& paths);

 private:
  void ChooseSubstrate(int index);

  PreviewWidget* preview_ = nullptr;
  std::vector<QToolButton*> substrates_;
  int substrate_ = 6;
  QTimer* pause_ = nullptr;
  QFutureWatcher<PreviewBitmap>* fullSize_ = nullptr;  // while one is drawn
  std::unique_ptr<PreviewState> fullSizeState_;
  int generation_ = 0;  // counts the drawings, so a late one is dropped
};

}  // namespace nvx::app
