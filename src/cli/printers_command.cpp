#include <iostream>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "platform/printer_enumeration.h"
#include "printers/printer_list.h"
#include "settings/settings_keys.h"

namespace nvx::app {

int RunPrintersCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint printers [OPTIONS]",
                         "Lists the printers the main window offers for the model; '*' marks the "
                         "one it starts with.");
  options.Add(
      ValueOption("model", "Printer model key, e.g. C711WT; X lists every printer.", "KEY"));
  if (auto status = options.Parse("printers", args)) return *status;
  if (!options.Positionals().empty()) {
    std::cerr << "nvxprint printers: unexpected argument '" << options.Positionals().front()
              << "'\n";
    return kExitUsage;
  }

  // "X" is no model but lists every printer, so the key is taken as given here.
  CliSession session;
  if (int opened = OpenCliSession(session, {}); opened != kExitOk) return opened;
  if (options.IsSet("model")) session.modelKey = options.Value("model");
  platform::PrinterDestinations destinations = platform::ListPrinterDestinations();
  if (!destinations.error.empty()) {
    std::cerr << "nvxprint: " << destinations.error << "\n";
    return kExitFailure;
  }
  PrinterList list = FillPrinterList(destinations.printers, session.modelKey,
                                     ReadSetting(session.files, keys::kActive, keys::kPrinter));
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    std::cout << (static_cast<int>(i) == list.selected ? "* " : "  ") << list.entries[i] << "\n";
  }
  if (list.entries.empty()) {
    std::cerr << "nvxprint: no printer for the model " << session.modelKey << "\n";
  }
  return kExitOk;
}

}  // namespace nvx::app
