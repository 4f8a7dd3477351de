#include <iostream>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "printers/usb_detection.h"

namespace nvx::app {

int RunUsbCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint usb [OPTIONS]",
                         "Lists the USB printers attached and whether the model's printer is "
                         "among them.");
  options.Add(ValueOption("model", "Printer model key, e.g. C711WT or Pro8432WT.", "KEY"));
  if (auto status = options.Parse("usb", args)) return *status;
  if (!options.Positionals().empty()) {
    std::cerr << "nvxprint usb: unexpected argument '" << options.Positionals().front() << "'\n";
    return kExitUsage;
  }

  CliSession session;
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  const std::vector<UsbPrinterEntry> printers = ListUsbPrinters();
  std::cout << "USB printers:\n";
  if (printers.empty()) std::cout << "  none\n";
  for (const UsbPrinterEntry& printer : printers) {
    std::cout << "  " << printer.listingName << "  " << printer.identity << "  " << printer.serial
              << "\n";
  }
  const UsbPrinterInfo detected = DetectUsbPrinter(session.modelKey);
  if (detected.found == "1") {
    std::cout << "Model " << session.modelKey << ": found on " << detected.port << " as "
              << detected.modelKey << ", serial " << detected.serial << "\n";
  } else {
    std::cout << "Model " << session.modelKey << ": not found on USB\n";
  }
  return kExitOk;
}

}  // namespace nvx::app
