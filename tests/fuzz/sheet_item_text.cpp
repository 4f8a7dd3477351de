// An item as the command line writes it (logo.png:50mm:x10), of any text: it
// reads or is refused with a message, and what it reads is a sheet item.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "job/sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using nvx::fuzz::Check;
  const std::string text(nvx::fuzz::Bytes(data, size));
  for (bool mayTurn : {true, false}) {
    nvx::Result<nvx::SheetItem> item = nvx::ParseSheetItem(text, mayTurn);
    if (!item) {
      Check(!item.failure().message.empty(), "a refusal says why");
      continue;
    }
    Check(!item->file.empty(), "the item names a file");
    Check(text.starts_with(item->file), "the file is the text's beginning");
    Check(std::isfinite(item->widthPt) && item->widthPt >= 0, "width finite, not negative");
    Check(std::isfinite(item->heightPt) && item->heightPt >= 0, "height finite, not negative");
    Check(item->copies >= 1 && item->copies <= nvx::kMaxItemCopies, "copies within range");
    Check(mayTurn || !item->mayTurn, "noturn is never undone");
  }
  return 0;
}
