#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "cost/cost_settings.h"
#include "job/print_cost.h"
#include "lang/text_table.h"
#include "printers/media_rules.h"
#include "settings/live_settings.h"
#include "settings/margins.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

inline constexpr std::string_view kDefaultPaper = "A4";

// What a print reads from the settings besides the live settings, as numbers.
struct PrintSettings {
  PageMargins margins;  // the current ones: a medium's or custom paper's for this run
  int blackFuzzy = 5;   // "Black Removal" tolerance, 1..50
  StatsOption statsOption = StatsOption::PrintOnly;  // what a print does about its cost
};

// One print session: the settings as the main window starts with them, the
// texts, the model, the live settings and the lists the window offers. The
// window keeps one for as long as it is open; a command makes one per run.
//
// The settings files are read once when the session opens (a snapshot);
// changes wait in it until Commit, which stores them in one write. Values a
// paper or medium sets only for a while (their margins) are never stored.
struct PrintSession {
  PrintSession() = default;
  PrintSession(const PrintSession&) = delete;
  PrintSession& operator=(const PrintSession&) = delete;

  UiHooks hooks;
  // Set before opening for an operation that stores what it read: the session
  // then holds the settings lock from its snapshot to its end (HoldSettingsLock).
  bool holdSettingsLock = false;
  SettingsFiles files;
  TextTable text;
  std::string modelKey;
  int familyCode = 0;
  LiveSettings live;
  std::vector<std::string> paperList;
  std::vector<std::string> trayList;
  std::vector<std::string> mediaList;
  PageMargins userMargins;      // the user's own, as stored when the session opened
  bool marginOverride = false;  // the margins hold a medium's own (the dark foil's)
  int blackFuzzyOverride = 0;   // 0: the stored tolerance
  std::string profileIn;        // this run's ICC profiles; empty: the settings'
  std::string profileOut;
  // The cost of the last print made while the statistics option asks to cost
  // instead of printing; its failure message when it could not be costed.
  std::optional<PrintCost> lastCost;
  std::string lastCostFailure;

  // The print settings as they stand now (the snapshot is in memory: cheap).
  PrintSettings Settings() const;
};

// Opens the settings as the main window does at start (creating them on a
// first run), loads the language and fills the live settings with the
// window's initial choices. `model` is a model key the user named (letter case
// ignored); empty: the installation's. Fails for a model no row knows. Returns
// what the user should be told (a language file missing or outdated, a stored
// model no row knows): the caller shows it.
Result<Notes> OpenPrintSession(PrintSession& session, std::string_view model);

// Active/White Choke in millimetres, held to 0..2 (missing: 0, no choke).
bool ReadCompactRaster(const SettingsFiles& files);
void WriteCompactRaster(const SettingsFiles& files, bool compact);
double ReadWhiteChoke(const SettingsFiles& files);
void WriteWhiteChoke(const SettingsFiles& files, double chokeMm);
// The text the settings and presets keep a choke as: millimetres, two decimals at most.
std::string WhiteChokeText(double chokeMm);

// Stores what the session changed, in one write under the settings lock. Fails
// with every settings write that failed since the last commit.
Status CommitSession(PrintSession& session);

// The list entry the user meant: an exact match, else the one entry equal
// ignoring case and outer blanks, else the one entry that begins so.
const std::string* FindChoice(const std::vector<std::string>& choices, std::string_view name);

// The choices of the window's lists. Each fails, changing nothing, with a
// message that says what is accepted.
Status ChoosePaper(PrintSession& session, std::string_view name);
Result<MediaRuleOutcome> ChooseMedia(PrintSession& session, std::string_view name);
// Refuses a tray the chosen paper or medium locks.
Status ChooseTray(PrintSession& session, std::string_view name);
Status SetCopies(PrintSession& session, int copies);  // 1..99

// The page less the current margins; fails when the margins leave nothing.
Status CheckPrintableArea(const PrintSession& session);

// The margins the user typed, raised to the printer's least, stored as the
// user's own and in force from now on. Refused, storing nothing, when they
// leave no printable area on the chosen paper.
Result<PageMargins> StoreUserMargins(PrintSession& session, const PageMargins& typed,
                                     std::string_view printerName);

// "Load Defaults": the toner order, the white controls, the copies, the white
// choke, compact jobs, the margins and the stored choices as a fresh installation has them.
// The printer stays the one in use and is stored as the one in use (the default
// name is a queue this system may not have); the paper is the stored one and
// the tray the first. Returns the media rules applied to the result, or why
// the paper could not be chosen.
Result<MediaRuleOutcome> LoadDefaults(PrintSession& session);

// After the custom sizes changed: the paper list again for the model, and the
// chosen paper chosen again (a replaced size takes its new size; a removed one
// gives way to the default paper).
Status RefreshPaperList(PrintSession& session);

}  // namespace nvx
