#include "printers/media_rules.h"

#include <array>
#include <optional>
#include <string>

#include "base/text.h"
#include "lang/text_entries.h"
#include "printers/models.h"
#include "settings/margins.h"
#include "settings/settings_keys.h"
#include "settings/toner_order.h"

namespace nvx {
namespace {

enum class Tray { Free, Locked, LockedUnless8432 };
enum class Threshold { Keep, Set, Clear };

struct MediaRule {
  int textEntry;
  int mediaCode;
  Tray tray;
  bool mirror;
  bool white;
  int thresholdPercent;  // 0: the common 50 stands
  Threshold thresholdOn;
  bool displayWhite;
  bool hands;
  int hint;
};

// Compared in this order; the first equal text wins.
constexpr std::array<MediaRule, 27> kRules{{
    {256, 28, Tray::Free, false, true, 66, Threshold::Set, true, true, 230},     // QTT Paper
    {257, 29, Tray::Locked, true, true, 0, Threshold::Clear, false, false, 0},   // QTT Film
    {194, 15, Tray::Free, true, true, 60, Threshold::Set, false, false, 200},    // P.Uno White
    {198, 16, Tray::Free, true, false, 70, Threshold::Keep, false, false, 231},  // P.Foil
    {101, 1, Tray::Free, false, false, 0, Threshold::Keep, false, false, 210},
    {102, 2, Tray::Free, false, false, 0, Threshold::Keep, false, false, 211},
    {103, 3, Tray::Free, false, false, 0, Threshold::Keep, false, false, 212},
    {104, 4, Tray::Free, false, false, 0, Threshold::Keep, false, false, 213},
    {105, 5, Tray::Free, false, false, 0, Threshold::Keep, false, false, 214},
    {106, 6, Tray::LockedUnless8432, false, false, 0, Threshold::Keep, false, false, 215},
    {107, 7, Tray::LockedUnless8432, false, false, 0, Threshold::Keep, false, false, 216},
    {108, 8, Tray::Locked, false, false, 0, Threshold::Keep, false, false, 217},
    {109, 9, Tray::Locked, false, false, 0, Threshold::Keep, false, false, 218},
    {110, 10, Tray::Locked, false, false, 0, Threshold::Keep, false, false, 219},
    {111, 11, Tray::LockedUnless8432, false, false, 0, Threshold::Keep, false, false, 220},
    {112, 12, Tray::Locked, false, false, 0, Threshold::Keep, false, false, 221},
    {113, 24, Tray::Locked, true, false, 0, Threshold::Keep, false, false, 222},    // Dermafilm
    {114, 13, Tray::Free, true, false, 0, Threshold::Keep, false, false, 223},      // KTC3.1
    {115, 14, Tray::Locked, true, false, 0, Threshold::Keep, false, false, 224},    // KTC3.1+
    {116, 22, Tray::Locked, false, false, 0, Threshold::Keep, false, false, 225},   // QDT4.5
    {117, 17, Tray::Locked, false, false, 0, Threshold::Keep, false, false, 226},   // UBM5.4
    {195, 21, Tray::Free, true, true, 50, Threshold::Set, false, false, 229},       // HST 9.1
    {118, 20, Tray::Free, true, true, 0, Threshold::Clear, false, false, 227},      // ZPM6.2
    {119, 18, Tray::Locked, false, true, 66, Threshold::Set, true, true, 230},      // Duo mSheet
    {142, 19, Tray::Locked, true, true, 50, Threshold::Set, false, true, 237},      // Duo tSheet
    {120, 23, Tray::Locked, false, false, 0, Threshold::Clear, false, false, 233},  // YRD8.1
    {141, 25, Tray::Locked, false, false, 0, Threshold::Clear, false, false, 235},  // All GPF
}};

// Letter case is ignored, as the job writer's media code ignores it; an empty
// list text (an incomplete language file) is no medium at all.
const MediaRule* FindRule(const TextTable& text, std::string_view media) {
  if (Trim(media).empty()) return nullptr;
  for (const MediaRule& rule : kRules) {
    if (EqualsIgnoreCase(text[rule.textEntry], media)) return &rule;
  }
  return nullptr;
}

constexpr std::array<std::string_view, 4> kMarginKeys{keys::kTopMargin, keys::kLeftMargin,
                                                      keys::kRightMargin, keys::kBottomMargin};

std::string BackupKey(std::string_view key) { return std::string(key) + " Backup"; }

// The dark foil needs wider margins than the printer's: keep the user's in the
// backup keys and put the foil's in place until the next media change. Both
// hold for this operation only, so an interrupted run cannot leave the foil's
// margins behind as the user's.
void OverrideMarginsForDarkFoil(const SettingsFiles& files, const LiveSettings& live) {
  const PageMargins user = ReadMargins(files);
  const std::array<std::string, 4> values{std::to_string(user.top), std::to_string(user.left),
                                          std::to_string(user.right), std::to_string(user.bottom)};
  std::array<std::string, 4> backupKeys;
  std::array<IniAssignment, 4> backups;
  for (std::size_t i = 0; i < kMarginKeys.size(); ++i) {
    backupKeys[i] = BackupKey(kMarginKeys[i]);
    backups[i] = {keys::kActive, backupKeys[i], values[i]};
  }
  WriteRunOnlySettings(files, backups);
  const bool a3 = Contains(live.paperName, "A3");
  const int topBottom = a3 ? 3912 : 3855;
  const int leftRight = a3 ? 3855 : 2834;
  SetRunMargins(files, {topBottom, leftRight, leftRight, topBottom});
}

void ResetWhiteControls(LiveSettings& live) {
  live.displayWhite = false;
  live.displayWhiteEnabled = false;
  live.thresholdOn = false;
  live.whiteControlsEnabled = true;
  live.thresholdSliderEnabled = true;
  live.printCmyEnabled = true;
  live.tonerPercent = 50;
  live.whiteMaskPercent = 100;
}

}  // namespace

void RestoreMargins(const SettingsFiles& files) {
  std::array<std::string, 4> values;
  std::array<IniAssignment, 4> restored;
  for (std::size_t i = 0; i < kMarginKeys.size(); ++i) {
    values[i] = ReadSetting(files, keys::kActive, BackupKey(kMarginKeys[i]));
    restored[i] = {keys::kActive, kMarginKeys[i], values[i]};
  }
  WriteRunOnlySettings(files, restored);
}

MediaRuleOutcome ApplyMediaRules(const SettingsFiles& files, const TextTable& text,
                                 std::string_view modelKey, LiveSettings& live,
                                 bool& marginOverride) {
  ResetWhiteControls(live);
  if (marginOverride) {
    RestoreMargins(files);
    marginOverride = false;
  }
  const bool is8432 = Is8432WT(modelKey);
  const bool whiteFirst =
      is8432 && ReadMachineSetting(files, keys::kActive, keys::kTonerOrder) == kWhiteFirstText;

  MediaRuleOutcome outcome;
  bool lockTray = false;
  bool mirror = false;
  bool white = true;
  bool keepSliderDisabled = false;
  bool keepPrintCmyDisabled = false;
  if (const MediaRule* rule = FindRule(text, live.mediaType)) {
    lockTray = rule->tray == Tray::Locked || (rule->tray == Tray::LockedUnless8432 && !is8432);
    mirror = rule->mirror;
    white = rule->white;
    if (rule->thresholdPercent != 0) live.tonerPercent = rule->thresholdPercent;
    if (rule->thresholdOn != Threshold::Keep)
      live.thresholdOn = rule->thresholdOn == Threshold::Set;
    if (rule->displayWhite) live.displayWhite = true;
    live.mediaCode = rule->mediaCode;
    outcome.hintEntry = rule->hint;
    outcome.showHands = rule->hands;
    // ZPM6.2 takes no threshold, except in white-first mode.
    keepSliderDisabled = rule->textEntry == entry::kZpm && !whiteFirst;

    if (rule->textEntry == entry::kFoil && ContainsIgnoreCase(text[entry::kFoil], "dark")) {
      lockTray = true;
      live.thresholdOn = false;
      keepPrintCmyDisabled = !whiteFirst;
      marginOverride = true;
      OverrideMarginsForDarkFoil(files, live);
    }
  }
  if (whiteFirst) white = true;
  if (outcome.showHands) {
    outcome.leftHand = ReadSetting(files, keys::kOthers, keys::kLeftHand) == "1";
    outcome.rightHand = ReadSetting(files, keys::kOthers, keys::kRightHand) == "1";
  }

  live.whiteControlsEnabled = white;
  live.displayWhiteEnabled = white;
  live.thresholdSliderEnabled = white && !keepSliderDisabled;
  live.printCmyEnabled = !keepPrintCmyDisabled;
  live.printWhite = white;
  live.mirrorOn = mirror;
  live.trayListEnabled = !lockTray;
  return outcome;
}

}  // namespace nvx
