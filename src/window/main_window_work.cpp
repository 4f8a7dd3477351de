#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>

#include "cost/cost_settings.h"
#include "image/page_fit.h"
#include "job/costing.h"
#include "job/delivery.h"
#include "job/layout.h"
#include "lang/text_entries.h"
#include "printers/models.h"
#include "settings/paper.h"
#include "window/cost_dialogs.h"
#include "window/main_window.h"
#include "window/preview_widget.h"
#include "window/qt_text.h"
#include "window/size_panel.h"
#include "window/window_texts.h"
#include "window/window_work.h"

// Load, preview and print: the core's work. Loading, turning and printing run
// off the user-interface thread; the window stays usable and shows their progress.
namespace nvx::app {
namespace {

// How often the window looks at the worker's mail and whether it has finished.
constexpr int kWorkerPollMs = 15;

// What became of a print: sent, costed, or neither (with the reason).
struct PrintOutcome {
  Status status;
  bool sent = false;
  bool costed = false;
};

// What a worker owns while it runs: its own copy of the session and the image.
struct WorkerHold {
  std::unique_ptr<PrintSession> session;
  std::unique_ptr<ImageDocument> document;
};

// Where the worker takes its work from and leaves its outcome, each side under
// the mutex: this thread never reaches what the worker holds in between.
template <typename Outcome>
class WorkerExchange : public WorkerMailbox {
 public:
  using Work = std::function<Outcome(PrintSession&, ImageDocument&)>;

  void Give(WorkerHold hold, Work work) {
    std::lock_guard lock(mutex_);
    hold_ = std::move(hold);
    work_ = std::move(work);
  }

  // On the worker thread.
  void Run() {
    std::unique_lock lock(mutex_);
    WorkerHold hold = std::move(hold_);
    Work work = std::move(work_);
    lock.unlock();
    Outcome outcome = work(*hold.session, *hold.document);
    lock.lock();
    hold_ = std::move(hold);
    outcome_ = std::move(outcome);
    lock.unlock();
    Finish();
  }

  // Back on the user-interface thread, once the worker has finished.
  std::pair<WorkerHold, Outcome> TakeBack() {
    std::lock_guard lock(mutex_);
    return {std::move(hold_), std::move(outcome_)};
  }

 private:
  std::mutex mutex_;
  WorkerHold hold_;
  Work work_;
  Outcome outcome_{};
};

// A session of the worker's own: the settings as they stand, the texts, the
// model and the live settings. Its settings writes wait in its own snapshot,
// and what it tells the user goes to the window's mailbox.
std::unique_ptr<PrintSession> CopyForWorker(const PrintSession& s, UiHooks hooks) {
  auto copy = std::make_unique<PrintSession>();
  copy->hooks = std::move(hooks);
  copy->files = CopySettingsFiles(s.files);
  copy->text = s.text;
  copy->modelKey = s.modelKey;
  copy->familyCode = s.familyCode;
  copy->live = s.live;
  copy->paperList = s.paperList;
  copy->trayList = s.trayList;
  copy->mediaList = s.mediaList;
  copy->userMargins = s.userMargins;
  copy->marginOverride = s.marginOverride;
  copy->blackFuzzyOverride = s.blackFuzzyOverride;
  copy->profileIn = s.profileIn;
  copy->profileOut = s.profileOut;
  copy->lastCost = s.lastCost;
  copy->lastCostFailure = s.lastCostFailure;
  return copy;
}

// What a load, a turn or a print changes in the session, taken back from the
// worker's copy: the live settings, the settings it wrote and the last cost.
void TakeBackSession(PrintSession& s, PrintSession& worker) {
  s.live = std::move(worker.live);
  s.lastCost = std::move(worker.lastCost);
  s.lastCostFailure = std::move(worker.lastCostFailure);
  TakeSettingsWrites(s.files, worker.files);
}

}  // namespace

UiHooks WorkerMailbox::Hooks() {
  UiHooks hooks;
  hooks.progress = [this](int percent) { progress_.store(percent); };
  hooks.status = [this](std::string_view text) {
    std::lock_guard lock(mutex_);
    status_ = std::string(text);
  };
  return hooks;
}

WorkerMailbox::Mail WorkerMailbox::Collect() {
  std::lock_guard lock(mutex_);
  return {progress_.exchange(-1), std::exchange(status_, std::nullopt),
          std::exchange(message_, std::nullopt)};
}

void WorkerMailbox::Answered() {
  {
    std::lock_guard lock(mutex_);
    answered_ = true;
  }
  answer_.notify_all();
}

void WorkerMailbox::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  answer_.notify_all();
}

template <typename Outcome>
void MainWindow::RunOffThread(std::function<Outcome(PrintSession&, ImageDocument&)> work,
                              std::function<void(Outcome)> done) {
  WaitForFullPreview();  // it reads the grid this work may change
  SetBusy(true);
  // The worker owns what it works on: this thread keeps its own session and has
  // no image until the worker hands it back.
  auto exchange = std::make_shared<WorkerExchange<Outcome>>();
  exchange->Give(
      WorkerHold{CopyForWorker(work_->session, exchange->Hooks()), std::move(work_->document)},
      std::move(work));
  mailbox_ = exchange;
  finishWork_ = [this, exchange, done] {
    auto [hold, outcome] = exchange->TakeBack();
    TakeBackSession(work_->session, *hold.session);
    work_->document = std::move(hold.document);
    SetBusy(false);
    done(std::move(outcome));
    OnTick();  // "Print" follows the new state at once, not at the next tick
  };
  worker_ = std::thread([exchange] { exchange->Run(); });
  if (!workerPoll_) {
    workerPoll_ = new QTimer(this);
    workerPoll_->setInterval(kWorkerPollMs);
    connect(workerPoll_, &QTimer::timeout, this, &MainWindow::PollWorker);
  }
  workerPoll_->start();
}

// The worker's mail on this thread; its end hands back what it held.
void MainWindow::PollWorker() {
  if (!mailbox_ || pollingWorker_) return;  // a message box of the worker is up
  pollingWorker_ = true;
  std::shared_ptr<WorkerMailbox> mailbox = mailbox_;
  // Everything the worker posted before it finished is in this collection.
  const bool finished = mailbox->Finished();
  WorkerMailbox::Mail mail = mailbox->Collect();
  if (mail.progress >= 0) progress_->setValue(mail.progress);
  if (mail.status) {
    status_->setText(Q(*mail.status));
    status_->setToolTip(Q(*mail.status));
  }
  if (mail.message) {
    ShowMessage(*mail.message);
    mailbox->Answered();
  }
  pollingWorker_ = false;
  if (!finished) return;
  worker_.join();
  workerPoll_->stop();
  mailbox_.reset();
  std::function<void()> finish = std::exchange(finishWork_, nullptr);
  finish();
}

void MainWindow::StopWorker() {
  if (mailbox_) mailbox_->Close();  // a worker waiting for an answer gets none
  if (worker_.joinable()) worker_.join();
}

void MainWindow::StartLoad(const std::string& path, bool forFlip) {
  if (busy_) return;
  ReadControls();
  SetStatusEntry(34);
  const QSize area = PreviewArea();
  const int substrate = substrate_;
  RunOffThread<Status>(
      [path, forFlip, area, substrate](PrintSession& s, ImageDocument& d) -> Status {
        Status loaded = forFlip && d.loaded ? ReloadForFlip(s, d) : LoadImageDocument(s, d, path);
        if (!loaded) return loaded;
        Status oriented = OrientImage(s, d, true);
        if (!oriented) return oriented;
        // A first drawing here builds the screen transform, which takes longer than
        // the window may stall; the window's own redraw then reuses it.
        PlaceOnPage(s, d, area.width(), area.height());
        (void)RenderPagePreview(s, d, substrate);
        return {};
      },
      [this, path](Status status) {
        imageLoaded_ = work_->document->loaded;
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
          ShowLoadNotes();
        } else {
          ShowFailure(status.failure());
          SetStatusEntry(35);
        }
        ShowLive();
        RedrawPreview();
        emit loadFinished(status.ok());
      });
}

void MainWindow::ShowLoadNotes() {
  QStringList notes;
  const std::string& standIn = work_->document->profiles.standInNotice;
  if (!standInNoticeShown_ && !standIn.empty()) {
    notes << Q(standIn);
    standInNoticeShown_ = true;  // once for as long as the window is open
  }
  if (PrintsHiddenColours(work_->session, *work_->document)) notes << Q(texts::kHiddenColours);
  const QString text = notes.join(QStringLiteral("  "));
  if (!text.isEmpty()) {
    statusBar()->showMessage(text);
  } else if (!loadNote_.isEmpty() && statusBar()->currentMessage() == loadNote_) {
    statusBar()->clearMessage();  // the note of the previous load no longer holds
  }
  loadNote_ = text;
}

void MainWindow::StartOrient() {
  RunOffThread<Status>([](PrintSession& s, ImageDocument& d) { return OrientImage(s, d, true); },
                       [this](Status status) {
                         work_->orientedMirror = live_.mirrorOn;
                         work_->orientedRotate = live_.rotate;
                         imageLoaded_ = work_->document->loaded;
                         if (!status) ShowFailure(status.failure());
                         sizePanel_->ShowNumbers(live_);
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
  ImageDocument& d = *work_->document;
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
  sizePanel_->ShowNumbers(live_);
  emit previewRedrawn();
}

void MainWindow::StartPrint() {
  if (busy_ || !imageLoaded_) return;
  SetStatusEntry(39);
  RunOffThread<PrintOutcome>(
      [](PrintSession& s, ImageDocument& d) -> PrintOutcome {
        // The job is laid out on the standard preview area, as the command line
        // does, so the printer gets the same bytes whatever the window's size.
        PlaceOnPage(s, d, kDefaultPreviewWidthPx, kDefaultPreviewHeightPx);
        Result<PrintJob> job = BuildImageJob(s, d, false);
        if (!job) return {job.failure()};
        // Statistics only: the session costed it and made nothing to send.
        if (job->outcome != JobOutcome::Made) return {Status{}, false, true};
        const std::string name =
            PrintDocumentName(s.live.caption, s.text[entry::kTitle], s.live.xCopy, s.live.yCopy);
        Status sent = SendJob(s.live.printer, name, *job, s.text, s.hooks);
        if (!sent) return {sent, false};
        return {sent, true, CostSentJobIfAsked(s, *job)};
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
  RunOffThread<Status>(
      [](PrintSession& s, ImageDocument&) -> Status {
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
