#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include "job/image_document.h"
#include "window/main_window.h"
#include "window/preview_widget.h"
#include "window/window_work.h"

// The page preview. Each change draws it at once on an area no larger than
// the default one, enlarged on screen; when the changes pause, a worker draws it
// at the preview's full size, which takes several times as long.
namespace nvx::app {

void MainWindow::DrawPage() {
  PrintSession& s = work_->session;
  ImageDocument& d = *work_->document;
  ++previewGeneration_;
  const QSize area = PreviewArea();
  const QSize quick = QuickPreviewArea(area);
  PlaceOnPage(s, d, quick.width(), quick.height());
  const PreviewBitmap page = RenderPagePreview(s, d, substrate_);
  preview_->ShowDrawnPage(page, qreal(quick.width()) / area.width());
  for (const Message& note : page.notes) ShowMessage(note);
  if (quick != area) fullPreviewTimer_->start();
}

void MainWindow::StartFullPreview() {
  if (busy_ || !imageLoaded_) return;
  if (fullPreview_) {  // one at a time: the next once this one is done
    fullPreviewTimer_->start();
    return;
  }
  PrintSession& s = work_->session;
  ImageDocument& d = *work_->document;
  // Placed on the full area for the drawing only: the copies boxes and the
  // layout stay those of the quick drawing the user has seen.
  const Placement quickPlacement = d.placement;
  const int xCopy = s.live.xCopy, yCopy = s.live.yCopy;
  const QSize area = PreviewArea();
  PlaceOnPage(s, d, area.width(), area.height());
  PagePreviewRequest request = PreparePagePreview(s, d, substrate_);
  d.placement = quickPlacement;
  s.live.xCopy = xCopy;
  s.live.yCopy = yCopy;

  const int generation = previewGeneration_;
  fullPreview_ = new QFutureWatcher<PreviewBitmap>(this);
  connect(fullPreview_, &QFutureWatcher<PreviewBitmap>::finished, this, [this, generation] {
    const PreviewBitmap page = fullPreview_->result();
    fullPreview_->deleteLater();
    fullPreview_ = nullptr;
    if (generation == previewGeneration_) preview_->ShowDrawnPage(page);
  });
  PreviewState* state = fullPreviewState_.get();
  fullPreview_->setFuture(QtConcurrent::run(
      [request = std::move(request), state] { return DrawPagePreview(request, *state); }));
}

void MainWindow::WaitForFullPreview() {
  if (fullPreview_) fullPreview_->waitForFinished();
}

}  // namespace nvx::app
