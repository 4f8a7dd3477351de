#pragma once

#include <string>
#include <vector>

namespace nvx::platform {

struct PrinterDestination {
  std::string name;         // the queue name jobs are sent to
  std::string description;  // printer-info, as the user or the administrator wrote it
};

struct PrinterDestinations {
  std::vector<PrinterDestination> printers;  // in the order CUPS gives them
  std::string error;                         // why the server could not be asked; else empty
};

// The CUPS destinations the user can print to (lpoptions instances are left
// out: they are the same queues).
PrinterDestinations ListPrinterDestinations();

}  // namespace nvx::platform
