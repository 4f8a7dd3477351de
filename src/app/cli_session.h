#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx::app {

// Everything a command-line job needs: the settings files, the texts, the
// model and the main window's live settings as the window would start them.
struct CliSession {
  CliSession() = default;
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;
  // A media's temporary margins (the dark foil's) last only while the command
  // runs, as they last only until the window's next media change.
  ~CliSession();

  UiHooks hooks;
  SettingsFiles files;
  TextTable text;
  std::string modelKey;
  int familyCode = 0;
  LiveSettings live;
  std::vector<std::string> paperList;
  std::vector<std::string> trayList;
  std::vector<std::string> mediaList;
  bool marginOverride = false;  // the margins hold a media's temporary ones
  int blackFuzzyOverride = 0;   // --black-fuzzy; 0: the stored value
};

// Opens the settings as the main window does at start (creating them on a
// first run), loads the language and fills the live settings with the
// window's initial choices.
void OpenCliSession(CliSession& session, std::string_view modelOverride);

// The option handlers return the empty text on success, else the message
// for the user (which lists what is accepted).
std::string ApplyPaperOption(CliSession& session, std::string_view name);
std::string ApplyTrayOption(CliSession& session, std::string_view name);
std::string ApplyMediaOption(CliSession& session, std::string_view name);
std::string ApplyCopiesOption(CliSession& session, std::string_view count);

// Hooks that print messages to stderr and, while stderr is a terminal, progress.
UiHooks TerminalHooks(bool* messageShown = nullptr);

}  // namespace nvx::app
