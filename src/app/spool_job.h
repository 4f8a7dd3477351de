#pragma once

#include <string>
#include <string_view>

#include "lang/text_table.h"
#include "postscript/job_writer.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx::app {

inline constexpr std::string_view kBlankDocumentName = "SV-Blank";

// The print's document name: the main window caption without the "TITLE - "
// prefix, then " X x" and Y ("photo.png 2 x3").
std::string PrintDocumentName(std::string_view caption, std::string_view title,
                              std::string_view xCopy, std::string_view yCopy);

// Sends header, image data (in one piece), trailer and 0x04 as one raw
// document, with progress 10/20/90/100 and the "Printing" and "Sent to
// Printer" status texts. On failure the job is cancelled, the reason is shown
// through the message hook, the status line is cleared and false returned.
bool SendJob(std::string_view queue, std::string_view documentName, const PrintJob& job,
             const TextTable& text, const UiHooks& hooks);

// Shows why a raw command did not reach the queue; false when it did not.
bool ReportSendResult(std::string_view queue, const std::string& error, const TextTable& text,
                      const UiHooks& hooks);

// The printer the main window would start with: the entry of the model's
// printer list that begins with the stored `Printer`, else the first. Empty,
// with `error` set, when there is none.
std::string DefaultPrinter(const SettingsFiles& files, std::string_view modelKey,
                           std::string& error);

}  // namespace nvx::app
