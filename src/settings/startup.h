#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/toner_order.h"

namespace nvx {

// The default of the tray name; callers pass text-table entry 122 in the user's language.
inline constexpr std::string_view kMultiPurposeTray = "MultiPurpose Tray";

// What the main window takes from the settings file when it is built.
struct StartupSettings {
  float version = 0;  // INI_INF/Version; a file without it counts as version 0
  std::string printer = "OKI C711WT";
  std::string trayName = std::string(kMultiPurposeTray);
  std::uint8_t whiteMaskPercent = 100;
  std::uint8_t whiteOverlayPercent = 2;
  std::uint8_t display = 0;
  std::uint8_t tonerOn = 1;
  std::uint8_t tonerSave = 1;
  std::uint8_t tonerPercent = 50;
};

// Reads the record; a key that is missing takes the default above.
StartupSettings LoadStartupSettings(const SettingsFiles& files,
                                    std::string_view trayName = kMultiPurposeTray);

// Opens the user settings when the main window is built: a missing file, or one
// older than the current layout version, is (re)written with the defaults first.
StartupSettings OpenSettings(const SettingsFiles& files,
                             std::string_view trayName = kMultiPurposeTray);

// Puts the record into the live settings. The printer is the first entry of
// `printers` that begins with the stored name (letter case ignored), else the
// first entry; an empty list leaves the printer as it is.
void ApplyStartupSettings(const StartupSettings& startup, LiveSettings& live,
                          std::span<const std::string> printers);

// At start: a bottom margin of 24 points (an old default) becomes 13.07 points.
void MigrateBottomMargin(const SettingsFiles& files);
// At start: with neither hand chosen, the right hand is.
void DefaultWorkingHand(const SettingsFiles& files);
// At exit: the current colour-adjust points with the toner order they were made
// for, the standard margins and white-last order.
void WriteExitSettings(const SettingsFiles& files, const ColourAdjustPoints& points,
                       TonerOrder pointsOrder);
// At start: the points stored at exit when they were made for `order`, else the
// order's defaults (a file that does not say which order they belong to too).
ColourAdjustPoints ReadStoredColourPoints(const SettingsFiles& files, TonerOrder order);

// The order the program runs in for this model, from the stored T_ORDER.
TonerOrder ReadTonerOrder(const SettingsFiles& files, std::string_view modelKey);
// Stores the order and returns its default colour-adjust points.
ColourAdjustPoints SetTonerOrder(const SettingsFiles& files, TonerOrder order);

}  // namespace nvx
