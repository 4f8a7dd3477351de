#include "job/delivery.h"

#include <array>

#include "lang/text_entries.h"
#include "platform/atomic_file.h"
#include "platform/cups_spooler.h"
#include "platform/printer_enumeration.h"
#include "printers/models.h"
#include "printers/printer_list.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

// Progress before the header, the image data and the trailer.
constexpr std::array<int, 3> kPieceProgress{10, 20, 90};

// Waits until the job's image is decoded whole; the decoder's failure when it
// was not (after a job stopped part-way: when that was the cause).
Status SourceOf(const PrintJob& job) { return job.sourceReady ? job.sourceReady() : Status{}; }

}  // namespace

std::string PrintDocumentName(std::string_view caption, std::string_view title, int xCopy,
                              int yCopy) {
  std::string name(caption);
  const std::string prefix = std::string(title) + " - ";
  for (std::size_t at = name.find(prefix); at != std::string::npos; at = name.find(prefix, at)) {
    name.erase(at, prefix.size());
  }
  // The copies boxes as the window shows them: blank-signed numbers.
  return name + "  " + std::to_string(xCopy) + " x " + std::to_string(yCopy);
}

Status WriteJobFile(const std::string& path, const PrintJob& job) {
  // A device or a pipe cannot take back what it was given: the image is
  // decoded whole before its first byte goes out.
  if (platform::IsStreamOutput(path)) {
    if (Status whole = SourceOf(job); !whole) return whole;
  }
  if (Status written = platform::WriteOutputFile(path, SpoolPieces(job)); !written) {
    if (Status whole = SourceOf(job); !whole) return whole;
    return Fail("cannot write " + path + ": " + written.failure().message);
  }
  return {};
}

Status SendResult(std::string_view queue, const Status& sent) {
  if (sent) return {};
  std::string reason = sent.failure().message;
  while (reason.ends_with('.')) reason.pop_back();  // CUPS's texts end in a full stop
  return Fail("Could not send to the printer \"" + std::string(queue) + "\": " + reason +
              ". Nothing was printed.");
}

Status SendJob(std::string_view queue, std::string_view documentName, const PrintJob& job,
               const TextTable& text, const UiHooks& hooks) {
  // The window's printer list is empty when CUPS has no printer for the model.
  if (queue.empty()) {
    hooks.Status("");
    return Fail(
        "There is no printer to send to: set up the printer in CUPS and choose it under "
        "\"Select Printer\". Nothing was printed.");
  }
  hooks.Status(text[entry::kPrintingStatus]);
  const Status raw =
      platform::SendRawDocument(queue, documentName, SpoolPieces(job), [&hooks](std::size_t piece) {
        if (piece < kPieceProgress.size()) hooks.Progress(kPieceProgress[piece]);
      });
  if (Status sent = SendResult(queue, raw); !sent) {
    hooks.Status("");
    // CUPS prints nothing of a document cancelled before its end.
    if (Status whole = SourceOf(job); !whole)
      return Fail(whole.failure().message + " Nothing was printed.", whole.failure().kind);
    return sent;
  }
  hooks.Progress(100);
  hooks.Status(text[entry::kSentToPrinterStatus]);
  return {};
}

Status DeliverJob(const JobDestination& destination, std::string_view documentName,
                  const PrintJob& job, const TextTable& text, const UiHooks& hooks) {
  if (!destination.file.empty()) return WriteJobFile(destination.file, job);
  return SendJob(destination.queue, documentName, job, text, hooks);
}

Result<std::string> DefaultPrinter(const SettingsFiles& files, std::string_view modelKey) {
  platform::PrinterDestinations destinations = platform::ListPrinterDestinations();
  if (!destinations.error.empty()) return Fail(destinations.error);
  PrinterList list = FillPrinterList(destinations.printers, modelKey,
                                     ReadSetting(files, keys::kActive, keys::kPrinter));
  if (list.selected < 0) {
    return Fail("no printer for the model " + std::string(modelKey) +
                " (none whose name contains \"" + PrinterListFilter(modelKey) +
                "\"); name one with --printer QUEUE");
  }
  return list.entries[static_cast<std::size_t>(list.selected)];
}

}  // namespace nvx
