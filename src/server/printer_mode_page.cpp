#include <cstdint>
#include <string>

#include "platform/spool_bytes.h"
#include "printers/printer_mode.h"
#include "server/server_app.h"

namespace nvx::server {
namespace {

constexpr const char* kModePage = "mode";

// Sends the mode block straight to the printer; false when the device is busy
// with a job or cannot be reached.
bool SendDriverMode(pappl_printer_t* printer, DriverMode mode) {
  pappl_device_t* device = papplPrinterOpenDevice(printer);
  if (!device) return false;
  // Ended as every job the program sends, as `nvxprint mode` sends it.
  const std::string block = PjlBlockBytes(BlockFor(mode)) + std::string(platform::kEndOfJobPiece);
  const bool sent =
      papplDeviceWrite(device, block.data(), block.size()) == static_cast<ssize_t>(block.size());
  papplDeviceFlush(device);
  papplPrinterCloseDevice(printer);
  return sent;
}

// The printer's "Printer Mode" page: Driver Off sets the printer up for these
// jobs (its own colour conversion off), Driver On for the standard driver.
bool ShowModePage(pappl_client_t* client, void* data) {
  const int id = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
  pappl_printer_t* printer =
      papplSystemFindPrinter(papplClientGetSystem(client), nullptr, id, nullptr);
  if (!printer) return false;
  if (!papplClientHTMLAuthorize(client)) return true;
  std::string status;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    cups_option_t* form = nullptr;
    const int count = papplClientGetForm(client, &form);
    const char* mode = cupsGetOption("mode", count, form);
    if (!papplClientIsValidForm(client, count, form) || !mode) {
      status = "Invalid form data.";
    } else {
      const bool off = std::string(mode) == "off";
      status = SendDriverMode(printer, off ? DriverMode::Off : DriverMode::On)
                   ? (off ? "Driver Off sent to the printer." : "Driver On sent to the printer.")
                   : "The printer could not be reached (or is printing); try again.";
    }
    cupsFreeOptions(count, form);
  }
  papplClientHTMLPrinterHeader(client, printer, "Printer Mode", 0, nullptr, nullptr);
  if (!status.empty()) {
    papplClientHTMLPuts(client, "<div class=\"banner\">");
    papplClientHTMLEscape(client, status.c_str(), 0);
    papplClientHTMLPuts(client, "</div>\n");
  }
  papplClientHTMLPuts(client,
                      "<div class=\"row\"><div class=\"col-12\">\n"
                      "<p>The printer's own colour conversion must be off for these jobs: "
                      "<b>Driver Off</b> turns it off. <b>Driver On</b> turns it on again for "
                      "the standard driver.</p>\n");
  char path[1024];
  papplClientHTMLStartForm(client, papplPrinterGetPath(printer, kModePage, path, sizeof(path)),
                           false);
  papplClientHTMLPuts(client,
                      "<button type=\"submit\" name=\"mode\" value=\"off\">Driver Off</button> "
                      "<button type=\"submit\" name=\"mode\" value=\"on\">Driver On</button>"
                      "</form>\n</div></div>\n");
  papplClientHTMLPrinterFooter(client);
  return true;
}

}  // namespace

void AddPrinterPages(pappl_printer_t* printer, void*) {
  char path[1024];
  papplPrinterGetPath(printer, kModePage, path, sizeof(path));
  papplSystemAddResourceCallback(
      papplPrinterGetSystem(printer), path, "text/html", ShowModePage,
      reinterpret_cast<void*>(std::intptr_t{papplPrinterGetID(printer)}));
  papplPrinterAddLink(printer, "Printer Mode", path, PAPPL_LOPTIONS_CONFIGURATION);
}

}  // namespace nvx::server
