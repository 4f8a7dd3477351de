#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "lang/language_file.h"
#include "lang/text_table.h"
#include "settings/settings_file.h"
#include "settings/toner_order.h"
#include "settings/ui_hooks.h"

class QDialog;
class QWidget;

namespace nvx::app {

// "Jpeg Settings": the slider shows the stored tolerance 1..21 as 0..100.
int JpegSliderPosition(long long jpegArtifact);
int JpegArtifactFor(int sliderPosition);
// "Black Removal": the stored tolerance for a slider position, and back.
int BlackFuzzyFor(int sliderPosition);
int BlackRemovalSliderPosition(long long fuzzy);

// The dialogs are built by Make* (so tests can drive them) and run by Show*.
std::unique_ptr<QDialog> MakeJpegDialog(QWidget* parent, const SettingsFiles& files,
                                        const TextTable& text);
void ShowJpegDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text);

// Each move of the slider stores the tolerance at once and calls `changed`.
std::unique_ptr<QDialog> MakeBlackRemovalDialog(QWidget* parent, const SettingsFiles& files,
                                                std::function<void()> changed);
void ShowBlackRemovalDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text,
                            std::function<void()> changed);

// Each click stores the unit at once.
std::unique_ptr<QDialog> MakeUnitsDialog(QWidget* parent, const SettingsFiles& files,
                                         const TextTable& text);
void ShowUnitsDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text);

// A click on an order's picture calls `choose` with it.
void ShowTonerOrderDialog(QWidget* parent, const TextTable& text, TonerOrder current,
                          std::function<void(TonerOrder)> choose);

// "Driver Off" / "Driver On": stores the choice and sends it to the queue.
void ShowPrinterModeDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text,
                           const std::string& modelKey, const std::string& queue);
std::string PrinterModeNotice(const TextTable& text, int familyCode);

// The new texts when the language changed (`table` is the current one), with
// what the user should be told about them; nullopt when it stays.
std::optional<LanguageTexts> ShowLanguageDialog(QWidget* parent, const SettingsFiles& files,
                                                const std::filesystem::path& programFolder,
                                                const TextTable& table);

void ShowAboutBox(QWidget* parent, const TextTable& text, const std::string& version);

// A profile file chosen in a file dialog that starts in the system's colour
// folder; empty when cancelled.
QString PickProfile(QWidget* parent, const QString& title);

}  // namespace nvx::app
