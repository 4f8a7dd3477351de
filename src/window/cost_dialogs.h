#pragma once

#include <memory>
#include <string_view>

#include "job/print_cost.h"
#include "lang/text_table.h"
#include "settings/settings_file.h"

class QDialog;
class QWidget;

namespace nvx::app {

// "Cost Statistics": one row of boxes per consumable, the currency and the
// statistics option. Opening it writes the defaults that are missing; OK
// checks every box and writes them all in one write, or stays open and says
// which box is wrong. The boxes refuse what can never be a number as it is typed.
std::unique_ptr<QDialog> MakeCostSettingsDialog(QWidget* parent, const SettingsFiles& files,
                                                const TextTable& text);
// True when OK stored the settings.
bool ShowCostSettingsDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text);

// What the window says when a print was costed and, as the settings ask, not printed.
inline constexpr std::string_view kCostOnlyNote =
    "Nothing was sent to the printer: the cost settings ask for statistics only.";

// The report of a costed print: the option line, the report text (with
// `costOnly`, the note above), "OK", and a button that puts the English
// summary on the clipboard.
std::unique_ptr<QDialog> MakeCostReportDialog(QWidget* parent, const PrintCost& cost,
                                              const TextTable& text, bool costOnly = false);
// Opens it over `parent` without waiting for it; it deletes itself when closed.
QDialog* OpenCostReport(QWidget* parent, const PrintCost& cost, const TextTable& text,
                        bool costOnly = false);

}  // namespace nvx::app
