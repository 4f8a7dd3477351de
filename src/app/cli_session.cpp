#include "app/cli_session.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>

#include "lang/language_file.h"
#include "platform/folders.h"
#include "printers/media.h"
#include "printers/media_rules.h"
#include "printers/models.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/startup.h"

namespace nvx::app {
namespace {

constexpr int kTrayEntries[] = {121, 122, 123};  // "AUTO", "MultiPurpose Tray", "Tray 1"

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// The entry the user meant: an exact match, else the one entry that matches
// ignoring case, else the one entry that begins with the name ignoring case.
const std::string* FindChoice(const std::vector<std::string>& choices, std::string_view name) {
  const std::string wanted = Lower(Trim(name));
  if (wanted.empty()) return nullptr;
  for (const std::string& choice : choices) {
    if (choice == name) return &choice;
  }
  const std::string* found = nullptr;
  int prefixMatches = 0;
  for (const std::string& choice : choices) {
    std::string candidate = Lower(Trim(choice));
    if (candidate == wanted) return &choice;
    if (candidate.starts_with(wanted)) {
      found = &choice;
      ++prefixMatches;
    }
  }
  return prefixMatches == 1 ? found : nullptr;
}

std::string ChoiceError(std::string_view what, std::string_view name,
                        const std::vector<std::string>& choices) {
  std::string text = "unknown " + std::string(what) + " '" + std::string(name) + "'; accepted:";
  for (const std::string& choice : choices) text += "\n  " + choice;
  return text;
}

// The window's paper list selects the stored paper size when it offers it.
std::string InitialPaper(const CliSession& s) {
  std::string stored = ReadSetting(s.files, "Active", "PaperSize");
  if (const std::string* found = FindChoice(s.paperList, stored)) return *found;
  return "A4";
}

}  // namespace

CliSession::~CliSession() {
  if (marginOverride) RestoreMargins(files);
}

UiHooks TerminalHooks(bool* messageShown) {
  UiHooks hooks;
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  if (terminal) {
    auto last = std::make_shared<int>(-1);
    hooks.progress = [last](int percent) {
      if (percent == *last) return;
      *last = percent;
      std::cerr << "\r["
                << (percent < 10    ? "  "
                    : percent < 100 ? " "
                                    : "")
                << percent << "%]" << std::flush;
    };
    hooks.status = [last](std::string_view text) {
      std::string line(text);
      std::erase_if(line, [](char c) { return c == '<' || c == '>'; });
      const std::size_t first = line.find_first_not_of(' ');
      if (first == std::string::npos) return;
      line = line.substr(first, line.find_last_not_of(' ') - first + 1);
      std::cerr << "\r      " << line << "\n" << std::flush;
      *last = -1;
    };
  }
  hooks.message = [messageShown](const Message& m) {
    std::string text = m.text;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::cerr << "nvxprint: " << text << "\n";
    if (messageShown) *messageShown = true;
  };
  return hooks;
}

void OpenCliSession(CliSession& s, std::string_view modelOverride) {
  s.files.userFolder = platform::UserDataFolder();
  s.files.machineFolder = platform::MachineDataFolder();
  s.files.hooks = &s.hooks;

  // The same start-up steps, in the same order, as the main window's.
  std::string language = StartupLanguageFileName(s.files);
  // No language named anywhere is a first run, not a missing file: use the built-in texts.
  s.text = language.empty() ? DefaultTextTable()
                            : LoadLanguageFile(platform::ProgramFolder(), language, s.hooks);
  s.text.Set(0, std::string(kAppTitle));
  if (ReadSetting(s.files, "Stats", "Option").empty())
    WriteSetting(s.files, "Stats", "Option", "3");
  MigrateBottomMargin(s.files);
  DefaultWorkingHand(s.files);

  s.modelKey = ModelKey(s.files, modelOverride);
  s.familyCode = FamilyCode(s.modelKey);
  StartupSettings startup = OpenSettings(s.files, s.text[122]);
  ApplyStartupSettings(startup, s.live, {});

  for (const MediaEntry& media : MediaList()) s.mediaList.push_back(s.text[media.textEntry]);
  s.live.mediaType = s.mediaList.front();
  s.live.mediaCode = MediaList().front().mediaCode;
  for (int entry : kTrayEntries) s.trayList.push_back(s.text[entry]);
  s.live.paperTray = s.trayList.front();
  s.paperList = PaperList(s.files, s.modelKey);
  s.live.paperName = InitialPaper(s);
  SetPaper(s.files, s.live, s.live.paperName, s.text[122]);
  s.live.faceUpExit = true;
  s.live.tonerOrder = ReadTonerOrder(s.files, s.modelKey);
  s.live.colourPoints = DefaultColourAdjustPoints(s.live.tonerOrder);
  // The window applies the first media's rules, then sets Print CMY on and Automatic Tile off.
  ApplyMediaRules(s.files, s.text, s.modelKey, s.live, s.marginOverride);
  s.live.printCmy = true;
  s.live.automaticTile = false;
}

std::string ApplyPaperOption(CliSession& s, std::string_view name) {
  const std::string* paper = FindChoice(s.paperList, name);
  if (!paper) return ChoiceError("paper", name, s.paperList);
  // As the window's paper list does: back to the standard margins, then the new size.
  WriteSetting(s.files, "Active", "Top Margin", "1296");
  WriteSetting(s.files, "Active", "Left Margin", "1296");
  WriteSetting(s.files, "Active", "Right Margin", "1296");
  WriteSetting(s.files, "Active", "Bottom Margin", "1307");
  s.live.paperName = *paper;
  SetPaper(s.files, s.live, *paper, s.text[122]);
  return {};
}

std::string ApplyTrayOption(CliSession& s, std::string_view name) {
  const std::string* tray = FindChoice(s.trayList, name);
  if (!tray) return ChoiceError("tray", name, s.trayList);
  s.live.paperTray = *tray;
  WriteSetting(s.files, "Active", "Tray", *tray);
  return {};
}

std::string ApplyMediaOption(CliSession& s, std::string_view name) {
  const std::string* media = FindChoice(s.mediaList, name);
  if (!media) return ChoiceError("media", name, s.mediaList);
  s.live.mediaType = *media;
  s.live.mediaCode = MediaCodeForText(s.text, *media);
  ApplyMediaRules(s.files, s.text, s.modelKey, s.live, s.marginOverride);
  return {};
}

std::string ApplyCopiesOption(CliSession& s, std::string_view count) {
  std::string text = Trim(count);
  std::size_t digits = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  bool number = text.size() > digits &&
                std::all_of(text.begin() + static_cast<std::ptrdiff_t>(digits), text.end(),
                            [](unsigned char c) { return std::isdigit(c); });
  if (!number || text.size() > 9) {
    return "copies must be a whole number (1 to 99), not '" + std::string(count) + "'";
  }
  s.live.copies = text;
  return {};
}

}  // namespace nvx::app
