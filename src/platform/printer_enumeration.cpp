#include "platform/printer_enumeration.h"

#include <cups/cups.h>

#include "platform/cups_spooler.h"

namespace nvx::platform {

PrinterDestinations ListPrinterDestinations() {
  PrinterDestinations result;
  cups_dest_t* dests = nullptr;
  int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  // An empty answer is only a failure when the server could not be asked.
  if (count == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
      cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
    const char* text = cupsLastErrorString();
    result.error = "cannot list the printers of " + PrintServerName() + ": " +
                   (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE
                        ? std::string("the server does not answer (is CUPS running there?)")
                        : std::string(text && *text ? text : ippErrorString(cupsLastError())));
  }
  for (int i = 0; i < count; ++i) {
    const cups_dest_t& dest = dests[i];
    if (dest.instance) continue;
    const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
    result.printers.push_back({dest.name, info ? info : ""});
  }
  cupsFreeDests(count, dests);
  return result;
}

}  // namespace nvx::platform
