#include <QFutureWatcher>
#include <QImage>
#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>

#include "app/spool_job.h"
#include "app/window/main_window.h"
#include "app/window/preview_widget.h"
#include "app/window/qt_text.h"
#include "app/window/window_work.h"
#include "image/page_fit.h"
#include "postscript/layout.h"
#include "printers/models.h"
#include "settings/paper.h"

// Load, preview and print: the core's work. Loading, turning and printing run
// off the user-interface thread; the window stays usable and shows their progress.
namespace nvx::app {
namespace {

// The results of a load the window shows.
struct LoadOutcome {
  PathStatus status = PathStatus::Failed;
  bool loaded = false;
};

QImage ToImage(const PreviewBitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) return {};
  // B G R 0 bytes are a little-endian 0x00RRGGBB: Qt's RGB32 as it stands.
  QImage image(bitmap.bgrx.data(), bitmap.width, bitmap.height, bitmap.width * 4,
               QImage::Format_RGB32);
  return image.copy();
}

}  // namespace

template <typename Result>
void MainWindow::RunOffThread(std::function<Result()> work, std::function<void(Result)> done) {
  SetBusy(true);
  auto* watcher = new QFutureWatcher<Result>(this);
  connect(watcher, &QFutureWatcher<Result>::finished, this, [this, watcher, done] {
    Result result = watcher->result();
    watcher->deleteLater();
    SetBusy(false);
    done(std::move(result));
  });
  watcher->setFuture(QtConcurrent::run(std::move(work)));
}

void MainWindow::PrepareWork() {
  CliSession& s = work_->session;
  s.hooks = Hooks();
  s.files = ctx_.files;
  s.files.hooks = nullptr;
  s.text = ctx_.text;
  s.modelKey = ctx_.modelKey;
  s.familyCode = FamilyCode(ctx_.modelKey);
  s.live = live_;
  s.marginOverride = false;  // the window restores a media's margins itself
}

void MainWindow::StartLoad(const std::string& path, bool keepRotate) {
  if (busy_) return;
  ReadControls();
  PrepareWork();
  SetStatusEntry(34);
  const bool rotate = live_.rotate;
  WindowWork* work = work_.get();
  RunOffThread<LoadOutcome>(
      [work, path, keepRotate, rotate] {
        LoadOutcome out;
        out.status = LoadAndConvert(work->session, work->path, path);
        if (out.status == PathStatus::Ok) {
          // "Flip" reloads the file but keeps the user's "Rotate".
          if (keepRotate) work->session.live.rotate = rotate;
          out.status = Orient(work->session, work->path, true);
        }
        out.loaded = work->path.loaded;
        return out;
      },
      [this, path](LoadOutcome out) {
        const LiveSettings& s = work_->session.live;
        imageLoaded_ = out.loaded;
        if (out.status == PathStatus::OutOfMemory) {
          close();  // the message said the program closes, and it does
          return;
        }
        if (out.status == PathStatus::Ok) {
          currentFile_ = path;
          live_.rotate = s.rotate;
          live_.zoom = s.zoom;
          live_.dpi = s.dpi;
          live_.xSize = s.xSize;
          live_.ySize = s.ySize;
          live_.xCopy = s.xCopy;
          live_.yCopy = s.yCopy;
          live_.caption = s.caption;
          work_->orientedMirror = s.mirrorOn;
          work_->orientedRotate = s.rotate;
          setWindowTitle(Q(live_.caption));
          RememberRecentFile(path);
          SetStatusEntry(36);
        } else {
          SetStatusEntry(35);
        }
        ShowLive();
        RedrawPreview();
        emit loadFinished(out.status == PathStatus::Ok);
      });
}

void MainWindow::StartOrient() {
  PrepareWork();
  WindowWork* work = work_.get();
  RunOffThread<PathStatus>([work] { return Orient(work->session, work->path, true); },
                           [this](PathStatus status) {
                             const LiveSettings& s = work_->session.live;
                             work_->orientedMirror = s.mirrorOn;
                             work_->orientedRotate = s.rotate;
                             imageLoaded_ = status == PathStatus::Ok && work_->path.loaded;
                             live_.xSize = s.xSize;
                             live_.ySize = s.ySize;
                             ShowNumbers();
                             RedrawPreview();
                           });
}

void MainWindow::RedrawPreview() {
  if (busy_) return;  // the worker owns the image; its end redraws
  if (!imageLoaded_) {
    preview_->ShowPage({});
    emit previewRedrawn();
    return;
  }
  if (live_.mirrorOn != work_->orientedMirror || live_.rotate != work_->orientedRotate) {
    StartOrient();
    return;
  }
  PrepareWork();
  CliSession& s = work_->session;
  PrintPath& p = work_->path;
  if (work_->fitRequested) {
    work_->fitRequested = false;
    const PrintableSize printable = PrintableArea(s.files, s.live);
    const PrintSize fitted = FitToPrintable({p.grid.printWidthPt, p.grid.printHeightPt}, p.image,
                                            printable.widthPt, printable.heightPt, s.live.rotate);
    p.grid.printWidthPt = fitted.widthPt;
    p.grid.printHeightPt = fitted.heightPt;
  }
  ShowPrintSize(s, p);
  constexpr int kDesk = 8;  // a little desk around the sheet
  PlaceOnPage(s, p, std::max(16, preview_->width() - kDesk),
              std::max(16, preview_->height() - kDesk));
  preview_->ShowPage(ToImage(RenderPagePreview(s, p, substrate_)));
  live_.xSize = s.live.xSize;
  live_.ySize = s.live.ySize;
  live_.xCopy = s.live.xCopy;
  live_.yCopy = s.live.yCopy;
  ShowNumbers();
  emit previewRedrawn();
}

void MainWindow::StartPrint() {
  if (busy_ || !imageLoaded_) return;
  PrepareWork();
  SetStatusEntry(39);
  WindowWork* work = work_.get();
  RunOffThread<bool>(
      [work] {
        CliSession& s = work->session;
        // The job is laid out on the standard preview area, as the command line
        // does, so the printer gets the same bytes whatever the window's size.
        PlaceOnPage(s, work->path, kDefaultPreviewWidthPx, kDefaultPreviewHeightPx);
        PrintJob job = BuildImageJob(s, work->path, false);
        if (!job.ok) return false;
        const std::string name =
            PrintDocumentName(s.live.caption, s.text[0], s.live.xCopy, s.live.yCopy);
        return SendJob(s.live.printer, name, job, s.text, s.hooks);
      },
      [this](bool sent) {
        RedrawPreview();
        emit printFinished(sent);
      });
}

void MainWindow::StartBlankPage() {
  if (busy_) return;
  PrepareWork();
  WindowWork* work = work_.get();
  RunOffThread<bool>(
      [work] {
        CliSession& s = work->session;
        JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
        PrintJob job = BuildBlankJob(env, s.live);
        return job.ok && SendJob(s.live.printer, kBlankDocumentName, job, s.text, s.hooks);
      },
      [this](bool sent) { emit printFinished(sent); });
}

}  // namespace nvx::app
