#include "window/sheet_work.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "base/text.h"
#include "job/costing.h"
#include "job/delivery.h"
#include "job/presets.h"
#include "job/sheet_view.h"
#include "lang/text_entries.h"
#include "platform/readable_file.h"
#include "settings/margins.h"
#include "settings/paper_limits.h"
#include "settings/units.h"
#include "window/image_work.h"
#include "window/page_view.h"
#include "window/preview_widget.h"
#include "window/printer_panel.h"
#include "window/qt_text.h"
#include "window/sheet_panel.h"
#include "window/tool_panel.h"
#include "window/window_layout.h"
#include "window/window_texts.h"

namespace nvx::app {

// What the worker hands back from a sheet's refresh: the sheet with every
// item's printed size written in, its arrangement and the drawing of one sheet.
struct SheetDrawing {
  Sheet sheet;
  std::vector<ItemSize> sizes;
  SheetLayout layout;
  int page = 0;
  PreviewBitmap picture;
  Status drawn;         // the drawing's failure: the arrangement stands
  std::string leftOut;  // why files just added were left off the sheet
};

namespace {

// The items from `firstNew` on that were just added: one whose file cannot be
// read is left off the sheet, so one bad file among many costs only itself.
// Returns why each was left off.
std::string SizeNewItems(PrintSession& s, Sheet& sheet, std::size_t firstNew) {
  std::string leftOut;
  for (std::size_t i = firstNew; i < sheet.items.size();) {
    SheetItem& item = sheet.items[i];
    Result<ItemSize> natural = NaturalSize(s, item.file);
    if (!natural) {
      leftOut += (leftOut.empty() ? "" : "  ") + natural.failure().message;
      sheet.items.erase(sheet.items.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    const ItemSize printed = PrintedSize(item, *natural);
    item.widthPt = printed.widthPt;
    item.heightPt = printed.heightPt;
    ++i;
  }
  return leftOut;
}

// Sizes, arranges and draws `sheet` on the worker. The printed sizes are
// written into the items, so that the next refresh (and the saved file) need
// not read the files for them again.
WorkOutcome DrawSheet(PrintSession& s, Sheet sheet, std::size_t firstNew, int page, QSize area,
                      int substrate) {
  std::string leftOut = SizeNewItems(s, sheet, firstNew);
  if (sheet.items.empty()) return {Fail(leftOut)};
  Result<std::vector<ItemSize>> sizes = ItemSizes(s, sheet);
  if (!sizes) return {sizes.failure()};
  for (std::size_t i = 0; i < sheet.items.size(); ++i) {
    sheet.items[i].widthPt = (*sizes)[i].widthPt;
    sheet.items[i].heightPt = (*sizes)[i].heightPt;
  }
  Result<SheetLayout> layout = ArrangeSheet(s, sheet, *sizes);
  if (!layout) return {layout.failure()};
  SheetDrawing d{std::move(sheet),  std::move(*sizes), std::move(*layout), 0, {}, {},
                 std::move(leftOut)};
  const int count = static_cast<int>(d.layout.sheets.size());
  d.page = std::clamp(page, 0, std::max(0, count - 1));
  if (count > 0) {
    Result<PreviewBitmap> picture =
        RenderSheetPreview(s, d.sheet, d.layout, d.page, area.width(), area.height(), substrate);
    if (picture) {
      d.picture = std::move(*picture);
    } else {
      d.drawn = picture.failure();
    }
  }
  WorkOutcome outcome;
  outcome.made = std::move(d);
  return outcome;
}

// Each sheet of the layout as one job to the printer, in order; stops at the
// first that fails. `sent` counts the jobs the printer got.
WorkOutcome PrintSheets(PrintSession& s, const Sheet& sheet, const SheetLayout& layout) {
  WorkOutcome outcome;
  int sent = 0;
  const std::string caption = s.live.caption;  // the image's, for its next print
  const int count = static_cast<int>(layout.sheets.size());
  for (int i = 0; i < count; ++i) {
    Result<PrintJob> job = BuildSheetJob(s, sheet, layout, i);
    if (!job) {
      outcome.status = job.failure();
      break;
    }
    if (job->outcome != JobOutcome::Made) {
      outcome.costed = true;  // the statistics option asked for the cost alone
      continue;
    }
    outcome.status = SendJob(s.live.printer, SheetDocumentName(i, count), *job, s.text, s.hooks);
    if (!outcome.status) break;
    ++sent;
    outcome.costed = CostSentJobIfAsked(s, *job) || outcome.costed;
  }
  s.live.caption = caption;
  outcome.sent = sent > 0;
  return outcome;
}

}  // namespace

SheetWork::SheetWork(WindowParts parts, ImageWork& work, QObject* parent)
    : QObject(parent), parts_(parts), work_(work), view_(work.View()) {
  setObjectName(QStringLiteral("sheetWork"));
  SheetPanel& panel = parts_.tools->Sheet();
  connect(&panel, &SheetPanel::itemChosen, this, &SheetWork::ChooseItem);
  connect(&panel, &SheetPanel::widthEdited, this, &SheetWork::SetWidth);
  connect(&panel, &SheetPanel::heightEdited, this, &SheetWork::SetHeight);
  connect(&panel, &SheetPanel::copiesEdited, this, &SheetWork::SetCopies);
  connect(&panel, &SheetPanel::mayTurnEdited, this, &SheetWork::SetMayTurn);
  connect(&panel, &SheetPanel::removeClicked, this, &SheetWork::RemoveChosen);
  connect(&panel, &SheetPanel::arrangeClicked, this, &SheetWork::Arrange);
  connect(&panel, &SheetPanel::sheetStepped, this, &SheetWork::StepSheet);
  PreviewWidget& preview = parts_.page->Preview();
  connect(&preview, &PreviewWidget::outlinePressed, this, &SheetWork::ChooseCopy);
  connect(&preview, &PreviewWidget::outlineDropped, this, &SheetWork::MoveCopy);
}

// ---------------------------------------------------------------------------
// Beginning, opening, saving

void SheetWork::Begin() {
  if (work_.Busy()) return;
  sheet_ = {};
  sizes_.clear();
  layout_ = {};
  page_ = 0;
  chosen_ = -1;
  shown_ = true;
  file_.clear();
  ShowTitle();
  parts_.tools->ShowSheet(true);
  work_.UseSheet(this);
}

void SheetWork::Leave() {
  if (work_.Busy() || !shown_) return;
  shown_ = false;
  ShowTitle();
  parts_.page->Preview().ShowOutlines({}, -1);
  parts_.tools->ShowSheet(false);
  work_.UseSheet(nullptr);
}

void SheetWork::AddFiles(const std::vector<std::filesystem::path>& files) {
  if (work_.Busy()) {
    waitingFiles_.insert(waitingFiles_.end(), files.begin(), files.end());
    return;
  }
  Sheet next = sheet_;
  for (const std::filesystem::path& path : files) {
    const std::filesystem::path file = ResolveDroppedFile(path);
    if (AsciiLower(file.extension().string()) == kPresetExtension) {
      work_.OpenPresetFile(file, true);
      continue;
    }
    if (Result<platform::ReadableFile> readable = platform::ReadableFile::Open(file); !readable) {
      view_.ShowNote(Q(texts::kCannotOpen) + QFile::decodeName(path.c_str()) + ": " +
                     Q(readable.failure().message));
      continue;
    }
    if (!IsImageFileName(file)) {
      view_.ShowNote(Q(texts::kNotAnImage) + QFile::decodeName(file.filename().c_str()));
      continue;
    }
    SheetItem item;
    item.file = file.string();
    next.items.push_back(std::move(item));
  }
  if (next.items.size() == sheet_.items.size()) return;
  // New copies need places: the sheet is packed again.
  next.arrangement = SheetArrangement::Automatic;
  for (SheetItem& item : next.items) item.positions.clear();
  chosen_ = static_cast<int>(next.items.size()) - 1;
  Refresh(std::move(next), true, sheet_.items.size());
}

bool SheetWork::OpenSheetFile(const std::filesystem::path& file) {
  if (work_.Busy()) return false;
  Result<Sheet> read = ReadSheetFile(file);
  if (!read) {
    view_.ShowMessage({work_.Texts()[entry::kTitle], read.failure().message, MessageIcon::Error});
    return false;
  }
  if (!shown_) Begin();
  // The sheet's own paper, where it names one, as the command line prints it on.
  if (!read->paper.empty() && read->paper != work_.Live().paperName) {
    if (const Status chosen = ChoosePaper(work_.Session(), read->paper); !chosen) {
      view_.ShowFailure(chosen.failure());
    }
    view_.ShowLive();
  }
  sheet_ = {};
  sizes_.clear();
  layout_ = {};
  page_ = 0;
  chosen_ = read->items.empty() ? -1 : 0;
  file_ = file;
  ShowTitle();
  Refresh(std::move(*read), false);
  return true;
}

bool SheetWork::SaveSheetFile(const std::filesystem::path& file) {
  Sheet saved = sheet_;
  saved.paper = work_.Live().paperName;  // so the command line prints it on the same paper
  if (const Status written = WriteSheetFile(file, saved); !written) {
    view_.ShowMessage({work_.Texts()[entry::kTitle],
                       std::string(texts::kSheetCannotSave) + written.failure().message,
                       MessageIcon::Error});
    return false;
  }
  sheet_.paper = saved.paper;
  file_ = file;
  ShowTitle();
  return true;
}

void SheetWork::ShowTitle() {
  const QString title = Q(work_.Texts()[entry::kTitle]) + QStringLiteral(" - ");
  if (!shown_) {
    parts_.window->setWindowTitle(work_.ImageLoaded() ? Q(work_.Live().caption)
                                                      : title + Q(work_.Texts()[entry::kNoFile]));
  } else if (file_.empty()) {
    parts_.window->setWindowTitle(title + Q(texts::kSheetPanel));
  } else {
    parts_.window->setWindowTitle(title + QFile::decodeName(file_.filename().c_str()));
  }
}

// ---------------------------------------------------------------------------
// Arranging and drawing

void SheetWork::Arrange() {
  Sheet next = sheet_;
  next.arrangement = SheetArrangement::Automatic;
  for (SheetItem& item : next.items) item.positions.clear();
  Refresh(std::move(next), true);
}

void SheetWork::Redraw() {
  if (!shown_) return;
  if (work_.Busy()) {
    redrawWanted_ = true;  // the worker's end draws it
    return;
  }
  Refresh(sheet_, false);
}

void SheetWork::Refresh(Sheet next, bool edit, std::size_t firstNew) {
  if (!shown_) return;  // left for the image meanwhile
  if (work_.Busy()) {   // a preset applied while files were added, say: it follows
    waitingRefresh_ = WaitingRefresh{std::move(next), edit, firstNew};
    return;
  }
  redrawWanted_ = false;
  if (next.items.empty()) {
    sheet_ = std::move(next);
    sizes_.clear();
    layout_ = {};
    page_ = 0;
    chosen_ = -1;
    ShowNoSheet();
    emit sheetDrawn();
    return;
  }
  view_.ReadControls();
  parts_.window->statusBar()->showMessage(Q(texts::kSheetArranging));
  const QSize area = parts_.page->Area();
  const int substrate = parts_.page->Substrate();
  // An edit is kept only once it is arranged; a redraw keeps the sheet in any case.
  if (!edit) sheet_ = next;
  work_.RunOnWorker(
      [next = std::move(next), firstNew, page = page_, area, substrate](PrintSession& s,
                                                                        ImageDocument&) {
        return DrawSheet(s, next, firstNew, page, area, substrate);
      },
      [this, edit](const WorkOutcome& outcome) {
        parts_.window->statusBar()->clearMessage();
        if (outcome.status) {
          TakeDrawing(std::any_cast<SheetDrawing>(outcome.made));
        } else {
          chosen_ = std::min(chosen_, static_cast<int>(sheet_.items.size()) - 1);
          if (!edit) {  // the sheet stays, unarranged, for the user to mend
            layout_ = {};
            parts_.page->ShowEmpty();
          }
          ShowPanel();
          ShowOutlines();
          view_.ShowNote(Q(outcome.status.failure().message));
        }
        emit sheetDrawn();
        emit work_.previewRedrawn();
        // Files opened and redraws asked for meanwhile, once the worker's end is done.
        QTimer::singleShot(0, this, [this] {
          if (waitingRefresh_) {
            WaitingRefresh waiting = std::move(*std::exchange(waitingRefresh_, std::nullopt));
            Refresh(std::move(waiting.sheet), waiting.edit, waiting.firstNew);
          } else if (!waitingFiles_.empty()) {
            AddFiles(std::exchange(waitingFiles_, {}));
          } else if (redrawWanted_) {
            Redraw();
          }
        });
      });
}

void SheetWork::TakeDrawing(SheetDrawing d) {
  sheet_ = std::move(d.sheet);
  sizes_ = std::move(d.sizes);
  layout_ = std::move(d.layout);
  page_ = d.page;
  chosen_ = std::min(chosen_, static_cast<int>(sheet_.items.size()) - 1);
  if (!d.drawn) view_.ShowNote(Q(d.drawn.failure().message));
  if (!d.leftOut.empty()) view_.ShowNote(Q(d.leftOut));
  frame_ = SheetPreviewFrame(work_.Session(), layout_, d.picture.width);
  parts_.page->ShowPicture(d.picture);
  ShowPanel();
  ShowOutlines();
}

void SheetWork::ShowNoSheet() {
  parts_.page->ShowEmpty();
  parts_.page->Preview().ShowOutlines({}, -1);
  ShowPanel();
  parts_.window->statusBar()->showMessage(Q(texts::kSheetEmpty));
}

// ---------------------------------------------------------------------------
// The panel and the preview's outlines

void SheetWork::ShowPanel() {
  SheetPanel& panel = parts_.tools->Sheet();
  QStringList names;
  for (const SheetItem& item : sheet_.items) {
    const QString name = QFile::decodeName(std::filesystem::path(item.file).filename().c_str());
    names << (item.copies > 1 ? QStringLiteral("%1  x%2").arg(name).arg(item.copies) : name);
  }
  panel.ShowItems(names, chosen_);
  const DisplayUnit unit = ReadDisplayUnit(work_.Files());
  panel.ShowUnit(Q(work_.Texts()[static_cast<std::size_t>(DisplayUnitLabelEntry(unit))]));
  if (chosen_ >= 0 && chosen_ < static_cast<int>(sizes_.size())) {
    const SheetItem& item = sheet_.items[static_cast<std::size_t>(chosen_)];
    const ItemSize& size = sizes_[static_cast<std::size_t>(chosen_)];
    panel.ShowItem(PointsToDisplayUnit(size.widthPt, unit),
                   PointsToDisplayUnit(size.heightPt, unit), item.copies, item.mayTurn);
  } else {
    // An item whose file could not be read can still be taken off the sheet.
    panel.ShowNoItem(chosen_ >= 0 && chosen_ < static_cast<int>(sheet_.items.size()));
  }
  const int count = static_cast<int>(layout_.sheets.size());
  panel.ShowSheets(page_, count, count > 0 ? layout_.UsedPercent(page_) : 0);
}

void SheetWork::ShowOutlines() {
  std::vector<QRectF> outlines;
  int selected = -1;
  if (page_ < static_cast<int>(layout_.sheets.size()) && frame_.pxPerPt > 0) {
    for (const PlacedCopy& c : layout_.sheets[static_cast<std::size_t>(page_)].copies) {
      if (c.item == chosen_ && selected < 0) selected = static_cast<int>(outlines.size());
      const PictureBox box = CopyOnPicture(frame_, c);
      outlines.emplace_back(box.x, box.y, box.width, box.height);
    }
  }
  parts_.page->Preview().ShowOutlines(std::move(outlines), selected);
}

void SheetWork::ChooseItem(int item) {
  chosen_ = item;
  ShowPanel();
  ShowOutlines();
}

// A press on the preview chooses the copy's item; the outline under the
// pointer is the preview's to drag, so it is not drawn again here.
void SheetWork::ChooseCopy(int outline) {
  const std::vector<PlacedCopy>* copies =
      page_ < static_cast<int>(layout_.sheets.size())
          ? &layout_.sheets[static_cast<std::size_t>(page_)].copies
          : nullptr;
  chosen_ = copies && outline >= 0 && outline < static_cast<int>(copies->size())
                ? (*copies)[static_cast<std::size_t>(outline)].item
                : -1;
  ShowPanel();
}

// The copy dropped where the user let it go: the sheet becomes one placed by
// hand, and a place that overlaps another copy or leaves the printable area is
// refused, the copy going back where it was.
void SheetWork::MoveCopy(int outline, QPointF offsetPx) {
  if (work_.Busy() || frame_.pxPerPt <= 0 || page_ >= static_cast<int>(layout_.sheets.size())) {
    ShowOutlines();
    return;
  }
  const std::vector<PlacedCopy>& copies = layout_.sheets[static_cast<std::size_t>(page_)].copies;
  if (outline < 0 || outline >= static_cast<int>(copies.size())) return;
  const PlacedCopy placed = copies[static_cast<std::size_t>(outline)];
  Sheet next = sheet_;
  if (next.arrangement == SheetArrangement::Automatic) KeepPositions(next, layout_);
  std::vector<CopyPosition>& positions =
      next.items[static_cast<std::size_t>(placed.item)].positions;
  if (placed.copy >= static_cast<int>(positions.size())) return;
  CopyPosition& moved = positions[static_cast<std::size_t>(placed.copy)];
  const PointsOffset offset = PictureMoveToPoints(frame_, offsetPx.x(), offsetPx.y());
  moved.xPt = placed.xPt + offset.xPt;
  moved.yPt = placed.yPt + offset.yPt;
  Result<SheetLayout> checked = CheckPlacement(work_.Session(), next, sizes_);
  if (!checked) {
    view_.ShowNote(Q(checked.failure().message));
    ShowOutlines();
    emit sheetDrawn();
    return;
  }
  sheet_ = std::move(next);
  layout_ = std::move(*checked);
  chosen_ = placed.item;
  ShowOutlines();
  ShowPanel();
  Refresh(sheet_, false);
}

// ---------------------------------------------------------------------------
// Editing the chosen item

void SheetWork::EditChosen(double widthPt, double heightPt) {
  if (chosen_ < 0 || chosen_ >= static_cast<int>(sheet_.items.size())) return;
  Sheet next = sheet_;
  SheetItem& item = next.items[static_cast<std::size_t>(chosen_)];
  // One side given: the core keeps the file's proportions for the other.
  item.widthPt = widthPt;
  item.heightPt = heightPt;
  Refresh(std::move(next), true);
}

double SheetWork::PointsPerUnit() const {
  return PaperLengthToPoints(1.0, ReadDisplayUnit(work_.Files()));
}

void SheetWork::SetWidth(double width) { EditChosen(width * PointsPerUnit(), 0); }
void SheetWork::SetHeight(double height) { EditChosen(0, height * PointsPerUnit()); }

void SheetWork::SetCopies(int copies) {
  if (chosen_ < 0 || chosen_ >= static_cast<int>(sheet_.items.size())) return;
  Sheet next = sheet_;
  SheetItem& item = next.items[static_cast<std::size_t>(chosen_)];
  if (next.arrangement == SheetArrangement::Manual && copies <= item.copies) {
    item.positions.resize(static_cast<std::size_t>(copies));  // the others stay where they are
  } else {
    // More copies need places: the sheet is packed again.
    next.arrangement = SheetArrangement::Automatic;
    for (SheetItem& each : next.items) each.positions.clear();
  }
  item.copies = copies;
  Refresh(std::move(next), true);
}

void SheetWork::SetMayTurn(bool mayTurn) {
  if (chosen_ < 0 || chosen_ >= static_cast<int>(sheet_.items.size())) return;
  Sheet next = sheet_;
  next.items[static_cast<std::size_t>(chosen_)].mayTurn = mayTurn;
  Refresh(std::move(next), true);
}

void SheetWork::RemoveChosen() {
  if (chosen_ < 0 || chosen_ >= static_cast<int>(sheet_.items.size())) return;
  Sheet next = sheet_;
  next.items.erase(next.items.begin() + chosen_);
  chosen_ = std::min(chosen_, static_cast<int>(next.items.size()) - 1);
  Refresh(std::move(next), true);
}

void SheetWork::StepSheet(int step) {
  const int count = static_cast<int>(layout_.sheets.size());
  const int page = std::clamp(page_ + step, 0, std::max(0, count - 1));
  if (page == page_) return;
  page_ = page;
  Refresh(sheet_, false);
}

// ---------------------------------------------------------------------------
// Printing

bool SheetWork::Printable() const { return shown_ && !layout_.sheets.empty(); }

void SheetWork::Print() {
  if (!Printable() || work_.Busy()) return;
  view_.ShowStatusEntry(entry::kCreatingPrintStatus);
  work_.RunOnWorker([sheet = sheet_, layout = layout_](
                        PrintSession& s, ImageDocument&) { return PrintSheets(s, sheet, layout); },
                    [this](const WorkOutcome& outcome) {
                      if (!outcome.status) view_.ShowFailure(outcome.status.failure());
                      if (outcome.costed) work_.ShowCostReport(!outcome.sent);
                      emit work_.printFinished(outcome.sent);
                    });
}

}  // namespace nvx::app
