#include "window/image_work.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <utility>

#include "base/product.h"
#include "base/text.h"
#include "image/page_fit.h"
#include "job/costing.h"
#include "job/delivery.h"
#include "job/layout.h"
#include "job/presets.h"
#include "lang/text_entries.h"
#include "platform/readable_file.h"
#include "printers/media.h"
#include "printers/models.h"
#include "settings/last_files.h"
#include "settings/paper.h"
#include "settings/settings_keys.h"
#include "settings/units.h"
#include "window/cost_dialogs.h"
#include "window/image_panel.h"
#include "window/page_view.h"
#include "window/printer_panel.h"
#include "window/qt_text.h"
#include "window/render_box.h"
#include "window/sheet_work.h"
#include "window/size_panel.h"
#include "window/tool_panel.h"
#include "window/window_header.h"
#include "window/window_layout.h"
#include "window/window_texts.h"

namespace nvx::app {

ImageWork::ImageWork(WindowParts parts, std::unique_ptr<WindowWork> work, QObject* parent)
    : QObject(parent),
      parts_(parts),
      work_(std::move(work)),
      view_(parts, work_->session),
      worker_(new WindowWorker(this)) {
  // From now on the core's progress shows on the window.
  work_->session.hooks = parts_.header->Hooks();
  connect(worker_, &WindowWorker::progressChanged, parts_.header, &WindowHeader::ShowProgress);
  connect(worker_, &WindowWorker::statusChanged, parts_.header, &WindowHeader::ShowWorkStatus);
  connect(worker_, &WindowWorker::finished, this, &ImageWork::TakeBack);
  connect(parts_.page, &PageView::fullSizeWanted, this, &ImageWork::DrawFullSize);
}

ImageWork::~ImageWork() { Abandon(); }

void ImageWork::Abandon() { worker_->Abandon(); }

// ---------------------------------------------------------------------------
// Opening

void ImageWork::OpenImage(const std::filesystem::path& path) {
  if (sheet_) {
    sheet_->AddFiles({path});
    return;
  }
  if (HoldImage(path)) return;
  const std::filesystem::path file = ResolveDroppedFile(path);
  if (Result<platform::ReadableFile> readable = platform::ReadableFile::Open(file); !readable) {
    view_.ShowNote(Q(texts::kCannotOpen) + QFile::decodeName(path.c_str()) + ": " +
                   Q(readable.failure().message));
    return;
  }
  if (AsciiLower(file.extension().string()) == kPresetExtension) {
    OpenPresetFile(file, true);
    return;
  }
  if (!IsImageFileName(file)) {
    view_.ShowNote(Q(texts::kNotAnImage) + Q(file.filename().string()));
    return;
  }
  view_.ReadControls();
  Live().page = 1;  // a document opens at its first page
  Load(file.string(), false);
}

// A file handed over while the user works in a dialog (or while the worker
// runs) would change the image under it: it waits, the latest one winning,
// until both are done.
bool ImageWork::HoldImage(const std::filesystem::path& path) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal && !busy_) return false;
  heldImage_ = path;
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    connect(dialog, &QDialog::finished, this, &ImageWork::OpenHeldImage,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
  }
  return true;
}

void ImageWork::OpenHeldImage() {
  if (heldImage_.empty() || busy_ || QApplication::activeModalWidget()) return;
  OpenImage(std::exchange(heldImage_, std::filesystem::path()));
}

void ImageWork::OpenPresetFile(const std::filesystem::path& file, bool remember) {
  if (busy_) return;
  view_.ReadControls();
  const Result<Notes> read = ReadPreset(work_->session, file, PresetScope::Stored);
  if (!read) {
    view_.ShowMessage({Texts()[entry::kTitle], read.failure().message, MessageIcon::Error});
    return;
  }
  for (const Message& note : *read) view_.ShowMessage(note);
  if (remember) RememberPresetFile(Files(), file);
  view_.ShowLive();
  view_.ShowUnit();
  // The preset's paper and margins may change the printable area: fit again.
  if (imageLoaded_) work_->fitRequested = true;
  Redraw();
}

void ImageWork::OpenFiles(const std::vector<std::filesystem::path>& files) {
  if (sheet_) {
    sheet_->AddFiles(files);
  } else if (!files.empty()) {
    OpenImage(files.front());
  }
}

void ImageWork::OpenDroppedFiles(const QList<QByteArray>& paths) {
  if (sheet_) {
    std::vector<std::filesystem::path> files;
    for (const QByteArray& p : paths) files.emplace_back(p.toStdString());
    sheet_->AddFiles(files);
    return;
  }
  // The first file that is an image opens; the others are reported, never opened.
  for (const QByteArray& p : paths) {
    const std::filesystem::path file = ResolveDroppedFile(p.toStdString());
    if (IsImageFileName(file)) {
      OpenImage(file);
      return;
    }
  }
  view_.ShowNote(
      Q(texts::kNotAnImage) +
      QFile::decodeName(std::filesystem::path(paths.front().toStdString()).filename().c_str()));
}

void ImageWork::Reload() {
  if (sheet_) {
    Redraw();  // each item is loaded again for the sheet's drawing
    return;
  }
  if (imageLoaded_ && !currentFile_.empty() && !busy_) Load(currentFile_, false);
}

void ImageWork::Flip() {
  view_.ReadControls();
  if (sheet_) {
    Redraw();
    return;
  }
  if (!imageLoaded_ || currentFile_.empty()) {
    Redraw();
    return;
  }
  Load(currentFile_, true);
}

// Vector artwork is rendered again: at the new resolution, keeping Rotate as
// Flip does, or at the chosen page, fitted to the paper as a new image is.
void ImageWork::Render(bool pageChosen) {
  view_.ReadControls();
  if (pageChosen) Live().page = parts_.tools->Image().Render().ChosenPage();
  if (sheet_) {
    Redraw();
    return;
  }
  if (imageLoaded_ && !currentFile_.empty() && work_->document &&
      work_->document->image.transparencyAlwaysCounts) {
    Load(currentFile_, !pageChosen);
  }
}

// ---------------------------------------------------------------------------
// The worker

void ImageWork::Run(WindowWorker::Work work, std::function<void(const WorkOutcome&)> done) {
  parts_.page->WaitForFullSize();  // it reads the grid this work may change
  SetBusy(true);
  done_ = std::move(done);
  // The worker owns what it works on: this side keeps its own session and has
  // no image until the worker hands it back.
  worker_->Start(CopyForWorker(work_->session), std::exchange(work_->document, nullptr),
                 std::move(work));
}

void ImageWork::TakeBack(const WorkDone& done) {
  TakeBackSession(work_->session, *done.session);
  work_->document = done.document;
  SetBusy(false);
  std::exchange(done_, nullptr)(done.outcome);
  Tick();  // "Print" follows the new state at once, not at the next tick
}

void ImageWork::SetBusy(bool busy) {
  busy_ = busy;
  // The worker reads its copy of the settings: nothing here may change them meanwhile.
  parts_.tools->setEnabled(!busy);
  parts_.tools->Printer().SetPrintable(!busy && Printable(), !sheet_);
  emit busyChanged(busy);
}

bool ImageWork::Printable() const { return sheet_ ? sheet_->Printable() : imageLoaded_; }

void ImageWork::UseSheet(SheetWork* sheet) {
  sheet_ = sheet;
  parts_.tools->Printer().SetPrintable(!busy_ && Printable(), !sheet_);
  Redraw();
}

void ImageWork::Load(const std::string& path, bool forFlip) {
  if (busy_) return;
  view_.ReadControls();
  view_.ShowStatusEntry(entry::kLoadingStatus);
  const QSize area = parts_.page->Area();
  const int substrate = parts_.page->Substrate();
  Run(
      [path, forFlip, area, substrate](PrintSession& s, ImageDocument& d) -> WorkOutcome {
        Status loaded = forFlip && d.loaded ? ReloadForFlip(s, d) : LoadImageDocument(s, d, path);
        if (!loaded) return {loaded};
        Status oriented = OrientImage(s, d, true);
        if (!oriented) return {oriented};
        // A first drawing here builds the screen transform, which takes longer than
        // the window may stall; the window's own redraw then reuses it.
        PlaceOnPage(s, d, area.width(), area.height());
        (void)RenderPagePreview(s, d, substrate);
        return {};
      },
      [this, path](const WorkOutcome& outcome) {
        const Status& status = outcome.status;
        imageLoaded_ = work_->document->loaded;
        parts_.tools->Image().Render().LoadEnded(status.ok(), work_->document->image.pageCount,
                                                 Live());
        // A page too large for the resolution just typed is refused before it is
        // rendered: the document shown stays, so the window does too.
        const bool rerender = path == currentFile_ && imageLoaded_;
        if (!status && status.failure().kind == Failure::Kind::OutOfMemory && !rerender) {
          view_.ShowFailure(status.failure());
          parts_.window->close();  // the message said the program closes, and it does
          return;
        }
        if (status) {
          currentFile_ = path;
          work_->orientedMirror = Live().mirrorOn;
          work_->orientedRotate = Live().rotate;
          parts_.window->setWindowTitle(Q(Live().caption));
          if (const Status kept = RememberRecentFile(Files().userFolder, path); !kept) {
            const Failure failure =
                WriteFailureOf(Files().userFolder / kLastFileName, kept.failure());
            view_.ShowMessage({std::string(kProductShortTitle), failure.message});
          }
          emit recentFilesChanged();
          view_.ShowStatusEntry(entry::kLoadedStatus);
          parts_.header->ShowProgress(100);
          ShowLoadNotes();
        } else {
          view_.ShowFailure(status.failure());
          view_.ShowStatusEntry(entry::kUnsuitableFileStatus);
        }
        view_.ShowLive();
        Redraw();
        emit loadFinished(status.ok());
      });
}

void ImageWork::ShowLoadNotes() {
  QStringList notes;
  const std::string& standIn = work_->document->profiles.standInNotice;
  if (!standInNoticeShown_ && !standIn.empty()) {
    notes << Q(standIn);
    standInNoticeShown_ = true;  // once for as long as the window is open
  }
  if (PrintsHiddenColours(work_->session, *work_->document)) notes << Q(texts::kHiddenColours);
  const QString text = notes.join(QStringLiteral("  "));
  QStatusBar* bar = parts_.window->statusBar();
  if (!text.isEmpty()) {
    bar->showMessage(text);
  } else if (!loadNote_.isEmpty() && bar->currentMessage() == loadNote_) {
    bar->clearMessage();  // the note of the previous load no longer holds
  }
  loadNote_ = text;
}

void ImageWork::Orient() {
  Run([](PrintSession& s, ImageDocument& d) -> WorkOutcome { return {OrientImage(s, d, true)}; },
      [this](const WorkOutcome& outcome) {
        work_->orientedMirror = Live().mirrorOn;
        work_->orientedRotate = Live().rotate;
        imageLoaded_ = work_->document->loaded;
        if (!outcome.status) view_.ShowFailure(outcome.status.failure());
        parts_.tools->Size().ShowNumbers(Live());
        Redraw();
      });
}

// ---------------------------------------------------------------------------
// The preview

void ImageWork::Redraw() {
  if (sheet_) {
    sheet_->Redraw();  // after the worker's end, when it runs
    return;
  }
  if (busy_) return;  // the worker owns the image; its end redraws
  if (!imageLoaded_) {
    parts_.page->ShowEmpty();
    emit previewRedrawn();
    return;
  }
  if (Live().mirrorOn != work_->orientedMirror || Live().rotate != work_->orientedRotate) {
    Orient();
    return;
  }
  PrintSession& s = work_->session;
  ImageDocument& d = *work_->document;
  if (work_->fitRequested) {
    work_->fitRequested = false;
    parts_.page->WaitForFullSize();  // it reads the print size
    const PrintableSize printable = PrintableArea(s.files, s.live);
    const PrintSize fitted = FitToPrintable({d.grid.printWidthPt, d.grid.printHeightPt}, d.image,
                                            printable.widthPt, printable.heightPt, s.live.rotate);
    d.grid.printWidthPt = fitted.widthPt;
    d.grid.printHeightPt = fitted.heightPt;
  }
  ShowPrintSize(s, d);
  const Notes notes = parts_.page->Draw(s, d);
  parts_.tools->Size().ShowNumbers(Live());
  for (const Message& note : notes) view_.ShowMessage(note);
  emit previewRedrawn();
}

void ImageWork::DrawFullSize() {
  if (busy_ || !imageLoaded_ || sheet_) return;
  parts_.page->DrawFullSize(work_->session, *work_->document);
}

void ImageWork::FitToPage() {
  view_.ReadControls();
  Live().xCopy = 1;
  Live().yCopy = 1;
  view_.ShowLive();
  work_->fitRequested = true;
  Redraw();
}

void ImageWork::ApplyColourPoints(const ColourAdjustPoints& points) {
  if (busy_) {
    // Another start of the program can open an image while the editor is up: the
    // worker reads the settings, so the points wait until it has ended.
    const bool waiting = pendingPoints_.has_value();
    pendingPoints_ = points;
    if (!waiting) {
      QTimer::singleShot(100, this, [this] {
        const ColourAdjustPoints latest = *pendingPoints_;
        pendingPoints_.reset();
        ApplyColourPoints(latest);
      });
    }
    return;
  }
  if (Live().colourPoints == points) return;
  Live().colourPoints = points;
  Redraw();
}

// ---------------------------------------------------------------------------
// Printing

void ImageWork::Print() {
  if (!Printable() || busy_) return;
  view_.ReadControls();
  WriteSetting(Files(), keys::kActive, keys::kPrinter, Live().printer);
  if (sheet_) {
    sheet_->Print();
    return;
  }
  StartPrint();
}

void ImageWork::PrintPattern() {
  if (!imageLoaded_ || busy_ || sheet_) return;
  Live().patternPrint = true;  // for this print only; its end turns it off
  Print();
}

void ImageWork::StartPrint() {
  view_.ShowStatusEntry(entry::kCreatingPrintStatus);
  Run(
      [](PrintSession& s, ImageDocument& d) -> WorkOutcome {
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
      [this](const WorkOutcome& outcome) {
        Live().patternPrint = false;  // the pattern setup's print screens one print
        if (!outcome.status) view_.ShowFailure(outcome.status.failure());
        if (outcome.costed) ShowCostReport(!outcome.sent);
        Redraw();
        emit printFinished(outcome.sent);
      });
}

void ImageWork::ShowCostReport(bool costOnly) {
  const PrintSession& s = work_->session;
  if (costOnly) {
    view_.ShowStatusEntry(
        entry::kLoadedStatus);  // the image is still loaded, and nothing is printing
    view_.ShowNote(Q(kCostOnlyNote));
  }
  if (!s.lastCost) {
    view_.ShowFailure(
        Fail(s.lastCostFailure.empty() ? "The print could not be costed." : s.lastCostFailure));
    return;
  }
  OpenCostReport(parts_.window, *s.lastCost, Texts(), costOnly);
}

void ImageWork::PrintBlankPage() {
  view_.ReadControls();
  if (busy_) return;
  Run(
      [](PrintSession& s, ImageDocument&) -> WorkOutcome {
        JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
        PrintJob job = BuildBlankJob(env, s.live);
        if (!job.ok()) return {Fail({})};
        return {SendJob(s.live.printer, kBlankDocumentName, job, s.text, s.hooks)};
      },
      [this](const WorkOutcome& outcome) {
        if (!outcome.status) view_.ShowFailure(outcome.status.failure());
        emit printFinished(outcome.status.ok());
      });
}

void ImageWork::ReapplyMedia() {
  const Result<MediaRuleOutcome> rules = ChooseMedia(work_->session, Live().mediaType);
  if (rules) view_.ShowMediaOutcome(*rules);
  view_.ShowLive();
}

void ImageWork::FillPrinters() {
  Live().printer = parts_.tools->Printer().FillPrinters(
      work_->session.modelKey, ReadSetting(Files(), keys::kActive, keys::kPrinter));
}

void ImageWork::Tick() {
  if (busy_) return;  // the worker's end ticks
  if (!parts_.tools->Printer().HasPrinters()) FillPrinters();
  parts_.tools->Printer().SetPrintable(Printable(), !sheet_);
  CommitSettings();
  // Not from here: a worker's end calls this before it has shown its outcome.
  if (!heldImage_.empty()) QTimer::singleShot(0, this, &ImageWork::OpenHeldImage);
}

void ImageWork::CommitSettings() {
  if (busy_) return;
  if (const Status stored = CommitSession(work_->session); !stored) {
    view_.ShowMessage({std::string(kProductShortTitle), stored.failure().message});
  }
}

}  // namespace nvx::app
