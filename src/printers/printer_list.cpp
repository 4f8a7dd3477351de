#include "printers/printer_list.h"

#include <algorithm>
#include <cctype>

#include "printers/models.h"

namespace nvx {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

bool Offered(const platform::PrinterDestination& printer, const std::string& filter) {
  return Upper(printer.name).find(filter) != std::string::npos ||
         Upper(printer.description).find(filter) != std::string::npos;
}

int SelectedEntry(const std::vector<std::string>& entries, std::string_view storedPrinter) {
  if (entries.empty()) return -1;
  const std::string wanted = Upper(storedPrinter);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (Upper(entries[i]).starts_with(wanted)) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace

PrinterList FillPrinterList(const std::vector<platform::PrinterDestination>& destinations,
                            std::string_view modelKey, std::string_view storedPrinter) {
  const bool unfiltered = modelKey == kUnfilteredModelKey;
  const std::string filter = PrinterListFilter(modelKey);
  PrinterList list;
  std::size_t walked = 0;
  for (const platform::PrinterDestination& printer : destinations) {
    if (printer.name.empty() || walked++ == kMaxPrinterNames) break;
    if (unfiltered || Offered(printer, filter)) list.entries.push_back(printer.name);
  }
  list.selected = SelectedEntry(list.entries, storedPrinter);
  return list;
}

}  // namespace nvx
