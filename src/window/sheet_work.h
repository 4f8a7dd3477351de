#pragma once

#include <QObject>
#include <QPointF>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/result.h"
#include "image/preview.h"
#include "job/sheet.h"
#include "job/sheet_view.h"
#include "window/window_view.h"

namespace nvx::app {

class ImageWork;
struct SheetDrawing;

// The gang sheet the window shows instead of its one image: the items the user
// opened or dropped, their arrangement on one or more sheets, the sheet shown
// with its copies outlined, and the item chosen in the sheet panel. Sizing the
// items, arranging them, drawing and printing run on the image work's worker
// with a copy of the sheet; the arrangement comes back with the drawing.
class SheetWork : public QObject {
  Q_OBJECT
 public:
  SheetWork(WindowParts parts, ImageWork& work, QObject* parent = nullptr);

  bool Shown() const { return shown_; }
  // A new, empty sheet in place of the image; Leave brings the image back.
  void Begin();
  void Leave();
  // Files put on the sheet: images are added (arranged again), a preset is
  // applied, anything else is reported.
  void AddFiles(const std::vector<std::filesystem::path>& files);
  // A sheet file opened in place of the one shown; false, and a message, when
  // it cannot be read.
  bool OpenSheetFile(const std::filesystem::path& file);
  bool SaveSheetFile(const std::filesystem::path& file);
  // Every copy packed again from scratch: the positions given by hand go.
  void Arrange();
  // Drawn again with the settings as they are now.
  void Redraw();
  // Each sheet of the arrangement sent to the printer, one job each.
  void Print();
  bool Printable() const;

  const Sheet& Current() const { return sheet_; }
  const SheetLayout& Layout() const { return layout_; }
  int ShownSheet() const { return page_; }
  int ChosenItem() const { return chosen_; }

 signals:
  // The sheet was arranged and drawn, or an edit of it refused.
  void sheetDrawn();

 private:
  void ChooseItem(int item);
  void ChooseCopy(int outline);
  void MoveCopy(int outline, QPointF offsetPx);
  void EditChosen(double widthPt, double heightPt);
  void SetWidth(double width);
  void SetHeight(double height);
  void SetCopies(int copies);
  void SetMayTurn(bool mayTurn);
  void RemoveChosen();
  void StepSheet(int step);
  // Sizes, arranges and draws `next` on the worker; it becomes the sheet when
  // that succeeds. A refused `edit` leaves the sheet as it was and says why.
  // Items from `firstNew` on were just added: a file of those that cannot be
  // read is left out, not the whole sheet refused.
  void Refresh(Sheet next, bool edit, std::size_t firstNew = SIZE_MAX);
  void TakeDrawing(SheetDrawing drawing);
  void ShowPanel();
  void ShowOutlines();
  void ShowNoSheet();
  // "Nivalux Pro - gang.json" while the sheet is shown; the image's title after.
  void ShowTitle();
  double PointsPerUnit() const;

  WindowParts parts_;
  ImageWork& work_;
  WindowView& view_;
  bool shown_ = false;
  std::filesystem::path file_;  // the sheet file opened or saved last
  Sheet sheet_;
  std::vector<ItemSize> sizes_;  // each item's printed size, upright
  SheetLayout layout_;
  int page_ = 0;               // the sheet of the layout that is shown
  int chosen_ = -1;            // the item chosen in the panel or on the preview
  SheetFrame frame_;           // where the copies stand on the drawn page
  bool redrawWanted_ = false;  // asked while the worker ran
  std::vector<std::filesystem::path> waitingFiles_;  // opened while the worker ran
  struct WaitingRefresh {
    Sheet sheet;
    bool edit = false;
    std::size_t firstNew = SIZE_MAX;
  };
  std::optional<WaitingRefresh> waitingRefresh_;  // asked for while the worker ran
};

}  // namespace nvx::app
