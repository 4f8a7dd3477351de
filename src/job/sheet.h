#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"
#include "image/preview.h"
#include "job/print_cost.h"
#include "job/print_session.h"
#include "job/sheet_pack.h"
#include "postscript/job_writer.h"

namespace nvx {

// A gang sheet: many designs printed together on one page, each copy where
// the arrangement (or the user) put it.

inline constexpr int kDefaultSheetDpi = 300;
inline constexpr int kMinSheetDpi = 72;
inline constexpr int kMaxSheetDpi = 1200;
inline constexpr int kMaxItemCopies = 9999;

// Where the user put one copy by hand: its top-left corner on the printable
// area of sheet `sheet` (0 the first), and whether it stands turned.
struct CopyPosition {
  int sheet = 0;
  double xPt = 0;
  double yPt = 0;
  bool turned = false;
};

// One design of the sheet. Its printed size: both 0, the file's own (its
// resolution); one 0, the other given and the proportions kept; both set,
// exactly that. A turned copy stands a quarter turn as "Rotate" turns a print
// (anticlockwise).
struct SheetItem {
  std::string file;
  double widthPt = 0;
  double heightPt = 0;
  int copies = 1;
  bool mayTurn = true;
  std::vector<CopyPosition> positions;  // manual placement: one per copy
};

enum class SheetArrangement { Automatic, Manual };

struct Sheet {
  std::vector<SheetItem> items;
  SheetArrangement arrangement = SheetArrangement::Automatic;
  int dpi = kDefaultSheetDpi;  // the resolution the sheet's raster is composed at
  std::string paper;           // empty: the paper the settings choose
};

// The sheet file (JSON). Reading resolves item files relative to the sheet
// file's folder; unknown keys are skipped; a file that is not a sheet fails
// with a message saying what is wrong in it. Writing replaces the file
// atomically and stores item files relative to its folder where they lie in it.
Result<Sheet> ReadSheetFile(const std::filesystem::path& file);
Status WriteSheetFile(const std::filesystem::path& file, const Sheet& sheet);

// An item as the command line writes it: FILE[:SIZE][:xCOPIES][:noturn], the
// size as 50mm, 2in, 50x30mm or 0x30mm (units mm, cm, in, pt). An existing
// file whose own name ends like a size is taken whole. A part that reads as a
// size or a count but is out of range, or given twice, is refused.
Result<SheetItem> ParseSheetItem(const std::string& text, bool mayTurn);

// An item's printed size, upright.
struct ItemSize {
  double widthPt = 0;
  double heightPt = 0;
};

// The size the file prints at by its own resolution (vector artwork: its true
// size). Loads the file through the intake with the session's settings.
Result<ItemSize> NaturalSize(PrintSession& session, const std::string& file);

// The item's printed size from its natural size and the sizes the user gave.
ItemSize PrintedSize(const SheetItem& item, ItemSize natural);

// Every item's printed size, in the items' order: the natural size is read
// only for items that need it. Fails naming the item that cannot be read.
Result<std::vector<ItemSize>> ItemSizes(PrintSession& session, const Sheet& sheet);

// The packer's view of the items with their printed sizes.
std::vector<PackItem> PackItems(const Sheet& sheet, const std::vector<ItemSize>& sizes);

// The sheet laid out on the session's printable area: packed when automatic,
// checked when manual (every copy needs a position).
Result<SheetLayout> ArrangeSheet(PrintSession& session, const Sheet& sheet,
                                 const std::vector<ItemSize>& sizes);

// A manual sheet's positions checked against the printable area and for
// overlaps; the message names the item.
Result<SheetLayout> CheckPlacement(PrintSession& session, const Sheet& sheet,
                                   const std::vector<ItemSize>& sizes);

// Writes a layout's places into the items and makes the sheet manual, so the
// user can move copies from where the packer left them.
void KeepPositions(Sheet& sheet, const SheetLayout& layout);

// The document's name for sheet `index` of `count`: "Gang sheet", or "Gang
// sheet 2 of 3". The job and its cost report carry it.
std::string SheetDocumentName(int index, int count);

// Composes sheet `index` of the layout and writes its job with the session's
// paper, medium, tray and white settings, named by SheetDocumentName (so every
// front end sends the same bytes for the same sheet). Each item is loaded, converted,
// turned and separated on its own; Mirror mirrors the whole composition. A
// sheet none of whose items loads, or that would get no toner, is refused.
// When the statistics option asks for the cost alone, the cost is kept in the
// session and the outcome is CostedOnly, as for a print. `notes` (optional)
// receives what the user should be told: designs whose transparent areas print
// the colour stored under them.
Result<PrintJob> BuildSheetJob(PrintSession& session, const Sheet& sheet, const SheetLayout& layout,
                               int index, Notes* notes = nullptr);

// The cost of sheet `index`, as the cost command shows it: the sheet composed
// and costed instead of printed.
Result<PrintCost> CostSheet(PrintSession& session, const Sheet& sheet, const SheetLayout& layout,
                            int index);

// The page of sheet `index` as a preview of at most widthPx x heightPx: every
// copy in the printer's colours at its place on the substrate, with its outline.
// Its notes say what BuildSheetJob's would, and why colours are missing.
Result<PreviewBitmap> RenderSheetPreview(PrintSession& session, const Sheet& sheet,
                                         const SheetLayout& layout, int index, int widthPx,
                                         int heightPx, int substrate);

}  // namespace nvx
