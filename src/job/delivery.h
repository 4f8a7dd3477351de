#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "lang/text_table.h"
#include "postscript/job_writer.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

inline constexpr std::string_view kBlankDocumentName = "SV-Blank";

// The print's document name: the main window caption without the "TITLE - "
// prefix, then " X x" and Y ("photo.png 2 x3").
std::string PrintDocumentName(std::string_view caption, std::string_view title, int xCopy,
                              int yCopy);

// Where a job goes: a file (exactly the bytes the printer would receive) or a
// CUPS queue.
struct JobDestination {
  std::string file;   // set: write here
  std::string queue;  // else: send to this queue
};

// Writes the job's bytes to the file atomically (on failure nothing is left),
// or straight into a device or FIFO, or to standard output for "-".
Status WriteJobFile(const std::string& path, const PrintJob& job);

// Sends header, image data (in one piece), trailer and 0x04 as one raw
// document, with progress 10/20/90/100 and the "Printing" and "Sent to
// Printer" status texts. On failure the job is cancelled, the status line is
// cleared and the reason returned.
Status SendJob(std::string_view queue, std::string_view documentName, const PrintJob& job,
               const TextTable& text, const UiHooks& hooks);

// Either of the two.
Status DeliverJob(const JobDestination& destination, std::string_view documentName,
                  const PrintJob& job, const TextTable& text, const UiHooks& hooks);

// Why a raw document did not reach the queue, in the user's words; ok when it did.
Status SendResult(std::string_view queue, const Status& sent);

// The printer the main window would start with: the entry of the model's
// printer list that begins with the stored `Printer`, else the first.
Result<std::string> DefaultPrinter(const SettingsFiles& files, std::string_view modelKey);

}  // namespace nvx
