#include "app/spool_job.h"

#include <array>

#include "platform/cups_spooler.h"
#include "platform/printer_enumeration.h"
#include "printers/models.h"
#include "printers/printer_list.h"
#include "settings/settings_keys.h"

namespace nvx::app {
namespace {

constexpr int kPrintingStatus = 40;  // "<<<<<       Printing       >>>>>"
constexpr int kSentStatus = 41;      // "<<<<<    Sent to Printer   >>>>>"
constexpr int kTitleEntry = 0;
constexpr char kEndOfJob = 0x04;

// Progress before the header, the image data and the trailer.
constexpr std::array<int, 3> kPieceProgress{10, 20, 90};

}  // namespace

std::string PrintDocumentName(std::string_view caption, std::string_view title,
                              std::string_view xCopy, std::string_view yCopy) {
  std::string name(caption);
  const std::string prefix = std::string(title) + " - ";
  for (std::size_t at = name.find(prefix); at != std::string::npos; at = name.find(prefix, at)) {
    name.erase(at, prefix.size());
  }
  return name + " " + std::string(xCopy) + " x" + std::string(yCopy);
}

bool ReportSendResult(std::string_view queue, const std::string& error, const TextTable& text,
                      const UiHooks& hooks) {
  if (error.empty()) return true;
  std::string reason = error;
  while (reason.ends_with('.')) reason.pop_back();  // CUPS's texts end in a full stop
  hooks.Show({text[kTitleEntry],
              "Could not send to the printer \"" + std::string(queue) + "\": " + reason +
                  ". Nothing was printed.",
              MessageIcon::Error});
  return false;
}

bool SendJob(std::string_view queue, std::string_view documentName, const PrintJob& job,
             const TextTable& text, const UiHooks& hooks) {
  const std::array<std::string_view, 4> pieces{
      job.header, std::string_view(reinterpret_cast<const char*>(job.data.data()), job.data.size()),
      job.trailer, std::string_view(&kEndOfJob, 1)};
  hooks.Status(text[kPrintingStatus]);
  std::string error =
      platform::SendRawDocument(queue, documentName, pieces, [&hooks](std::size_t piece) {
        if (piece < kPieceProgress.size()) hooks.Progress(kPieceProgress[piece]);
      });
  if (!ReportSendResult(queue, error, text, hooks)) {
    hooks.Status("");
    return false;
  }
  hooks.Progress(100);
  hooks.Status(text[kSentStatus]);
  return true;
}

std::string DefaultPrinter(const SettingsFiles& files, std::string_view modelKey,
                           std::string& error) {
  platform::PrinterDestinations destinations = platform::ListPrinterDestinations();
  if (!destinations.error.empty()) {
    error = destinations.error;
    return {};
  }
  PrinterList list = FillPrinterList(destinations.printers, modelKey,
                                     ReadSetting(files, keys::kActive, keys::kPrinter));
  if (list.selected < 0) {
    error = "no printer for the model " + std::string(modelKey) + " (none whose name contains \"" +
            PrinterListFilter(modelKey) + "\"); name one with --printer QUEUE";
    return {};
  }
  return list.entries[static_cast<std::size_t>(list.selected)];
}

}  // namespace nvx::app
