#pragma once

#include <string_view>

#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"

namespace nvx {

// What the media rules leave outside the live settings.
struct MediaRuleOutcome {
  int hintEntry = 0;       // text-table entry for the status bar, 0 for none
  bool showHands = false;  // the media is placed by hand: show the hand pictures
  bool leftHand = false;   // their states, from Others/LeftHand and RightHand
  bool rightHand = false;
};

// Applies the presets of the selected media (live.mediaType) to the live
// settings. `marginOverride` is set while the settings file's margins hold a
// media's temporary margins; the next run puts the user's margins back.
MediaRuleOutcome ApplyMediaRules(const SettingsFiles& files, const TextTable& text,
                                 std::string_view modelKey, LiveSettings& live,
                                 bool& marginOverride);

// Copies the four "... Margin Backup" keys back to the margin keys.
void RestoreMargins(const SettingsFiles& files);

}  // namespace nvx
