#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/printer_enumeration.h"

namespace nvx {

inline constexpr std::size_t kMaxPrinterNames = 200;
inline constexpr std::string_view kUnfilteredModelKey = "X";

// The "Select Printer" list: queue names and the entry selected at start.
struct PrinterList {
  std::vector<std::string> entries;
  int selected = -1;  // -1 while the list is empty
};

// The first 200 destinations whose name or description, upper-cased, contains
// the model's filter text (all of them for the model key "X"), in the given
// order. The entry that begins with `storedPrinter` (ignoring case) is
// selected, else the first.
PrinterList FillPrinterList(const std::vector<platform::PrinterDestination>& destinations,
                            std::string_view modelKey, std::string_view storedPrinter);

}  // namespace nvx
