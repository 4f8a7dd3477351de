// A sheet file of any bytes: it must read or be refused with a message, and a
// sheet it reads must hold sizes, copies and places the arrangement can take.
// A small sheet is then arranged (or its places checked) on the session's
// printable area, each item at the size it asks for or 20 x 10 mm.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz_session.h"
#include "job/sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using nvx::fuzz::Check;
  nvx::PrintSession& session = nvx::fuzz::Session();
  const std::filesystem::path file =
      nvx::fuzz::WriteScratch("input.json", nvx::fuzz::Bytes(data, size));
  nvx::Result<nvx::Sheet> read = nvx::ReadSheetFile(file);
  if (!read) {
    Check(!read.failure().message.empty(), "a refusal says why");
    return 0;
  }
  const nvx::Sheet& sheet = *read;
  Check(sheet.dpi >= nvx::kMinSheetDpi && sheet.dpi <= nvx::kMaxSheetDpi, "dpi within range");
  long copies = 0;
  std::vector<nvx::ItemSize> sizes;
  for (const nvx::SheetItem& item : sheet.items) {
    Check(!item.file.empty(), "every item names a file");
    Check(std::isfinite(item.widthPt) && item.widthPt >= 0, "width finite, not negative");
    Check(std::isfinite(item.heightPt) && item.heightPt >= 0, "height finite, not negative");
    Check(item.copies >= 1 && item.copies <= nvx::kMaxItemCopies, "copies within range");
    for (const nvx::CopyPosition& p : item.positions) {
      Check(std::isfinite(p.xPt) && std::isfinite(p.yPt), "positions finite");
      Check(p.sheet >= 0, "positions on a sheet");
    }
    copies += item.copies;
    sizes.push_back(
        PrintedSize(item, {20 * nvx::kPointsPerMillimetre, 10 * nvx::kPointsPerMillimetre}));
  }
  if (sheet.items.empty() || copies > 200) return 0;
  nvx::Result<nvx::SheetLayout> layout = ArrangeSheet(session, sheet, sizes);
  if (!layout) {
    Check(!layout.failure().message.empty(), "a refusal says why");
    return 0;
  }
  long placed = 0;
  for (const nvx::SheetPage& page : layout->sheets) {
    for (const nvx::PlacedCopy& c : page.copies) {
      Check(c.item >= 0 && c.item < static_cast<int>(sheet.items.size()), "a copy of an item");
      Check(c.xPt >= -0.01 && c.yPt >= -0.01 && c.xPt + c.widthPt <= layout->areaWidthPt + 0.01 &&
                c.yPt + c.heightPt <= layout->areaHeightPt + 0.01,
            "every copy inside the printable area");
      ++placed;
    }
  }
  Check(placed == copies, "every copy placed once");
  return 0;
}
