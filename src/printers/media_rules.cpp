#include "printers/media_rules.h"

#include <array>
#include <optional>
#include <string>

#include "printers/models.h"

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

constexpr int kFoilEntry = 198;
constexpr int kZpmEntry = 118;

const MediaRule* FindRule(const TextTable& text, std::string_view media) {
  for (const MediaRule& rule : kRules) {
    if (text[rule.textEntry] == media) return &rule;
  }
  return nullptr;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

constexpr std::array<const char*, 4> kMarginKeys{"Top Margin", "Left Margin", "Right Margin",
                                                 "Bottom Margin"};

// The dark foil needs wider margins than the printer's: keep the user's in the
// backup keys and put the foil's in place until the next media change.
void OverrideMarginsForDarkFoil(const SettingsFiles& files, const LiveSettings& live) {
  for (const char* key : kMarginKeys) {
    WriteSetting(files, "Active", std::string(key) + " Backup", ReadSetting(files, "Active", key));
  }
  const bool a3 = Contains(live.paperName, "A3");
  const char* topBottom = a3 ? "3912" : "3855";
  const char* leftRight = a3 ? "3855" : "2834";
  WriteSetting(files, "Active", "Top Margin", topBottom);
  WriteSetting(files, "Active", "Bottom Margin", topBottom);
  WriteSetting(files, "Active", "Left Margin", leftRight);
  WriteSetting(files, "Active", "Right Margin", leftRight);
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
  for (const char* key : kMarginKeys) {
    WriteSetting(files, "Active", key, ReadSetting(files, "Active", std::string(key) + " Backup"));
  }
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
  const bool whiteFirst = is8432 && ReadMachineSetting(files, "Active", "T_ORDER") == "WF";

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
    keepSliderDisabled = rule->textEntry == kZpmEntry && !whiteFirst;

    if (rule->textEntry == kFoilEntry && Contains(text[kFoilEntry], "dark")) {
      lockTray = true;
      live.thresholdOn = false;
      keepPrintCmyDisabled = !whiteFirst;
      marginOverride = true;
      OverrideMarginsForDarkFoil(files, live);
    }
  }
  if (whiteFirst) white = true;
  if (outcome.showHands) {
    outcome.leftHand = ReadSetting(files, "Others", "LeftHand") == "1";
    outcome.rightHand = ReadSetting(files, "Others", "RightHand") == "1";
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
