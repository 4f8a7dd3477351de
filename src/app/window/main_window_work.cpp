#include <QFutureWatcher>
#include <QImage>
#include <QProgressBar>
#include <QStatusBar>
#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>

#include "app/window/cost_dialogs.h"
#include "app/window/main_window.h"
#include "app/window/preview_widget.h"
#include "app/window/qt_text.h"
#include "app/window/window_work.h"
#include "cost/cost_settings.h"
#include "image/page_fit.h"
#include "job/costing.h"
#include "job/delivery.h"
#include "job/layout.h"
#include "lang/text_entries.h"
#include "printers/models.h"
#include "settings/paper.h"

// Load, preview and print: the core's work. Loading, turning and printing run
// off the user-interface thread; the window stays usable and shows their progress.
namespace nvx::app {
namespace {

// What became of a print: sent, costed, or neither (with the reason).
struct PrintOutcome {
  Status status;
  bool sent = false;
  bool costed = false;
};

}  // namespace

template <typename Result>
void MainWindow::RunOffThread(std::function<Result()> work, std::function<void(Result)> done) {
  WaitForFullPreview();  // it reads the grid this work may change
  SetBusy(true);
  auto* watcher = new QFutureWatcher<Result>(this);
  connect(watcher, &QFutureWatcher<Result>::finished, this, [this, watcher, done] {
    Result result = watcher->result();
    watcher->deleteLater();
    SetBusy(false);
    done(std::move(result));
    OnTick();  // "Print" follows the new state at once, not at the next tick
  });
  watcher->setFuture(QtConcurrent::run(std::move(work)));
}

void MainWindow::StartLoad(const std::string& path, bool forFlip) {
  if (busy_) return;
  ReadControls();
  SetStatusEntry(34);
  WindowWork* work = work_.get();
  const QSize area = PreviewArea();
  const int substrate = substrate_;
  RunOffThread<Status>(
      [work, path, forFlip, area, substrate]() -> Status {
        Status loaded = forFlip && work->document.loaded
                            ? ReloadForFlip(work->session, work->document)
                            : LoadImageDocument(work->session, work->document, path);
        if (!loaded) return loaded;
        Status oriented = OrientImage(work->session, work->document, true);
        if (!oriented) return oriented;
        // A first drawing here builds the screen transform, which takes longer than
        // the window may stall; the window's own redraw then reuses it.
        PlaceOnPage(work->session, work->document, area.width(), area.height());
        (void)RenderPagePreview(work->session, work->document, substrate);
        return {};
      },
      [this, path](Status status) {
        imageLoaded_ = work_->document.loaded;
        if (!status && status.failure().kind == Failure::Kind::OutOfMemory) {
          ShowFailure(status.failure());
          close();  // the message said the program closes, and it does
          return;
        }
        if (status) {
          currentFile_ = path;
          work_->orientedMirror = live_.mirrorOn;
          work_->orientedRotate = live_.rotate;
          setWindowTitle(Q(live_.caption));
          RememberRecentFile(path);
          SetStatusEntry(36);
          progress_->setValue(100);
        } else {
          ShowFailure(status.failure());
          SetStatusEntry(35);
        }
        ShowLive();
        RedrawPreview();
        emit loadFinished(status.ok());
      });
}

void MainWindow::StartOrient() {
  WindowWork* work = work_.get();
  RunOffThread<Status>([work] { return OrientImage(work->session, work->document, true); },
                       [this](Status status) {
                         work_->orientedMirror = live_.mirrorOn;
                         work_->orientedRotate = live_.rotate;
                         imageLoaded_ = work_->document.loaded;
                         if (!status) ShowFailure(status.failure());
                         ShowNumbers();
                         RedrawPreview();
                       });
}

QSize MainWindow::PreviewArea() const {
  constexpr int kDesk = 8;  // a little desk around the sheet
  return {std::max(16, preview_->width() - kDesk), std::max(16, preview_->height() - kDesk)};
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
  PrintSession& s = work_->session;
  ImageDocument& d = work_->document;
  if (work_->fitRequested) {
    work_->fitRequested = false;
    WaitForFullPreview();  // it reads the print size
    const PrintableSize printable = PrintableArea(s.files, s.live);
    const PrintSize fitted = FitToPrintable({d.grid.printWidthPt, d.grid.printHeightPt}, d.image,
                                            printable.widthPt, printable.heightPt, s.live.rotate);
    d.grid.printWidthPt = fitted.widthPt;
    d.grid.printHeightPt = fitted.heightPt;
  }
  ShowPrintSize(s, d);
  DrawPage();
  ShowNumbers();
  emit previewRedrawn();
}

void MainWindow::StartPrint() {
  if (busy_ || !imageLoaded_) return;
  SetStatusEntry(39);
  WindowWork* work = work_.get();
  RunOffThread<PrintOutcome>(
      [work]() -> PrintOutcome {
        PrintSession& s = work->session;
        // The job is laid out on the standard preview area, as the command line
        // does, so the printer gets the same bytes whatever the window's size.
        PlaceOnPage(s, work->document, kDefaultPreviewWidthPx, kDefaultPreviewHeightPx);
        Result<PrintJob> job = BuildImageJob(s, work->document, false);
        if (!job) return {job.failure()};
        // Statistics only: the job writer costed it and made nothing to send.
        if (job->outcome != JobOutcome::Made) return {Status{}, false, true};
        const std::string name =
            PrintDocumentName(s.live.caption, s.text[entry::kTitle], s.live.xCopy, s.live.yCopy);
        Status sent = SendJob(s.live.printer, name, *job, s.text, s.hooks);
        if (!sent || ReadStatsOption(s.files) != StatsOption::PrintAndCost) {
          return {sent, sent.ok()};
        }
        if (Result<PrintCost> cost = CostSentJob(s, *job)) {
          s.lastCost = std::move(*cost);
        } else {
          s.lastCostFailure = cost.failure().message;
        }
        return {sent, true, true};
      },
      [this](PrintOutcome outcome) {
        live_.patternPrint = false;  // the pattern setup's print screens one print
        if (!outcome.status) ShowFailure(outcome.status.failure());
        if (outcome.costed) ShowCostReport(!outcome.sent);
        RedrawPreview();
        emit printFinished(outcome.sent);
      });
}

void MainWindow::ShowCostReport(bool costOnly) {
  const PrintSession& s = work_->session;
  if (costOnly) {
    SetStatusEntry(36);  // the image is still loaded, and nothing is printing
    statusBar()->showMessage(Q(kCostOnlyNote));
  }
  if (!s.lastCost) {
    ShowFailure(
        Fail(s.lastCostFailure.empty() ? "The print could not be costed." : s.lastCostFailure));
    return;
  }
  OpenCostReport(this, *s.lastCost, Texts(), costOnly);
}

void MainWindow::StartBlankPage() {
  if (busy_) return;
  WindowWork* work = work_.get();
  RunOffThread<Status>(
      [work]() -> Status {
        PrintSession& s = work->session;
        JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
        PrintJob job = BuildBlankJob(env, s.live);
        if (!job.ok()) return Fail({});
        return SendJob(s.live.printer, kBlankDocumentName, job, s.text, s.hooks);
      },
      [this](Status sent) {
        if (!sent) ShowFailure(sent.failure());
        emit printFinished(sent.ok());
      });
}

}  // namespace nvx::app
