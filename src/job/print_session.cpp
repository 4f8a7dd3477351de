#include "job/print_session.h"

#include <algorithm>

#include "base/text.h"
#include "image/separation.h"
#include "image/white_choke.h"
#include "job/print_controls.h"
#include "lang/language_file.h"
#include "lang/text_entries.h"
#include "platform/folders.h"
#include "postscript/job_writer.h"
#include "printers/media.h"
#include "printers/models.h"
#include "settings/margins.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/paper_limits.h"
#include "settings/settings_keys.h"
#include "settings/startup.h"
#include "settings/units.h"

namespace nvx {
namespace {

std::string ChoiceError(std::string_view what, std::string_view name,
                        const std::vector<std::string>& choices) {
  std::string text = "unknown " + std::string(what) + " '" + std::string(name) + "'; accepted:";
  for (const std::string& choice : choices) text += "\n  " + choice;
  return text;
}

// The window's paper list selects the stored paper size when it offers it.
std::string InitialPaper(const PrintSession& s) {
  std::string stored = ReadSetting(s.files, keys::kActive, keys::kPaperSize);
  if (const std::string* found = FindChoice(s.paperList, stored)) return *found;
  return std::string(kDefaultPaper);
}

// Papers only the multi-purpose tray feeds lock the tray list on it, whatever
// the medium's rules said.
bool PaperLocksTray(const PrintSession& s) {
  const StandardPaper* paper = FindStandardPaper(s.live.paperName);
  return paper && paper->multiPurposeTrayOnly;
}

void ApplyPaperTrayLock(PrintSession& s) {
  if (PaperLocksTray(s)) {
    s.live.paperTray = s.text[entry::kTrayMultiPurpose];
    s.live.trayListEnabled = false;
  }
}

MediaRuleOutcome ApplyMedia(PrintSession& s) {
  MediaRuleOutcome outcome = ApplyMediaRules(s.files, s.text, s.modelKey, s.live, s.marginOverride);
  ApplyPaperTrayLock(s);
  return outcome;
}

std::string ModelError(std::string_view name) {
  std::string text = "unknown printer model '" + std::string(name) + "'; known models:";
  for (const std::string& key : KnownModelKeys()) text += "\n  " + key;
  return text;
}

}  // namespace

PrintSettings PrintSession::Settings() const {
  PrintSettings s;
  s.margins = ReadMargins(files);
  s.blackFuzzy = blackFuzzyOverride > 0 ? blackFuzzyOverride : ReadBlackFuzzy(files);
  s.statsOption = ReadStatsOption(files);
  return s;
}

const std::string* FindChoice(const std::vector<std::string>& choices, std::string_view name) {
  const std::string_view wanted = Trim(name);
  if (wanted.empty()) return nullptr;
  for (const std::string& choice : choices) {
    if (choice == name) return &choice;
  }
  const std::string* found = nullptr;
  int prefixMatches = 0;
  for (const std::string& choice : choices) {
    const std::string_view candidate = Trim(choice);
    if (EqualsIgnoreCase(candidate, wanted)) return &choice;
    if (StartsWithIgnoreCase(candidate, wanted)) {
      found = &choice;
      ++prefixMatches;
    }
  }
  return prefixMatches == 1 ? found : nullptr;
}

Result<Notes> OpenPrintSession(PrintSession& s, std::string_view model) {
  std::string modelKey;
  if (!model.empty()) {
    std::optional<std::string> known = FindModelKey(model);
    if (!known) return Fail(ModelError(model), Failure::Kind::Refused);
    modelKey = *known;
  }
  s.files.userFolder = platform::UserDataFolder();
  s.files.machineFolder = platform::MachineDataFolder();
  if (s.holdSettingsLock) HoldSettingsLock(s.files);
  TakeSettingsSnapshot(s.files);

  // The same start-up steps, in the same order, as the main window's.
  LanguageTexts language = LoadStartupLanguage(s.files, platform::ProgramFolder());
  Notes notes = std::move(language.notes);
  s.text = std::move(language.table);
  s.text.Set(entry::kTitle, std::string(kAppTitle));
  if (ReadSetting(s.files, keys::kStats, keys::kStatsOption).empty())
    WriteSetting(s.files, keys::kStats, keys::kStatsOption, keys::kStatsPrintOnly);
  MigrateBottomMargin(s.files);
  DefaultWorkingHand(s.files);

  if (modelKey.empty()) {
    s.modelKey = ModelKey(s.files);
    for (Message& note : StoredModelNotes(s.files)) notes.push_back(std::move(note));
  } else {
    s.modelKey = modelKey;
  }
  s.familyCode = FamilyCode(s.modelKey);
  StartupSettings startup = OpenSettings(s.files, s.text[entry::kTrayMultiPurpose]);
  ApplyStartupSettings(startup, s.live, {});
  s.userMargins = ReadMargins(s.files);

  s.mediaList.clear();
  s.trayList.clear();
  for (const MediaEntry& media : MediaList()) s.mediaList.push_back(s.text[media.textEntry]);
  s.live.mediaType = s.mediaList.front();
  s.live.mediaCode = MediaList().front().mediaCode;
  for (std::size_t entry : entry::kTrays) s.trayList.push_back(s.text[entry]);
  s.live.paperTray = s.trayList.front();
  s.paperList = PaperList(s.files, s.modelKey);
  s.live.paperName = InitialPaper(s);
  SetPaper(s.files, s.live, s.live.paperName, s.text[entry::kTrayMultiPurpose]);
  s.live.faceUpExit = true;
  s.live.tonerOrder = ReadTonerOrder(s.files, s.modelKey);
  s.live.colourPoints = ReadStoredColourPoints(s.files, s.live.tonerOrder);
  s.live.whiteChokeMm = ReadWhiteChoke(s.files);
  s.live.compactRaster = ReadCompactRaster(s.files);
  // The window applies the first media's rules, then sets Print CMY on and Automatic Tile off.
  ApplyMedia(s);
  s.live.printCmy = true;
  s.live.automaticTile = false;
  return notes;
}

bool ReadCompactRaster(const SettingsFiles& files) {
  const PrintControl compact = *FindPrintControl(control::kCompact);
  const std::string text = ReadSetting(files, keys::kActive, keys::kCompact);
  if (text.empty()) return compact.defaultValue != 0;
  return HoldToRange(compact, LeadingInteger(text)) != 0;
}

void WriteCompactRaster(const SettingsFiles& files, bool compact) {
  WriteSetting(files, keys::kActive, keys::kCompact, compact ? "1" : "0");
}

double ReadWhiteChoke(const SettingsFiles& files) {
  const double mm = LeadingNumber(ReadSetting(files, keys::kActive, keys::kWhiteChoke));
  return std::clamp(mm, 0.0, kMaxWhiteChokeMm);
}

void WriteWhiteChoke(const SettingsFiles& files, double chokeMm) {
  WriteSetting(files, keys::kActive, keys::kWhiteChoke, WhiteChokeText(chokeMm));
}

std::string WhiteChokeText(double chokeMm) {
  return FormatAtMostDecimals(std::clamp(chokeMm, 0.0, kMaxWhiteChokeMm), 2);
}

Result<MediaRuleOutcome> LoadDefaults(PrintSession& s) {
  s.live.colourPoints = SetTonerOrder(s.files, TonerOrder::WhiteLast);
  s.live.tonerOrder = TonerOrder::WhiteLast;
  ApplyMedia(s);  // the new order's rules, before the controls are reset under them
  s.live.tonerPercent = 50;
  s.live.whiteMaskPercent = 100;
  s.live.copies = 1;
  s.live.displayWhite = false;
  s.live.printWhite = false;
  s.live.thresholdOn = false;
  s.live.printCmy = true;
  s.live.whiteChokeMm = 0;
  WriteWhiteChoke(s.files, 0);
  s.live.compactRaster = FindPrintControl(control::kCompact)->defaultValue != 0;
  WriteCompactRaster(s.files, s.live.compactRaster);
  s.userMargins = PageMargins{};
  WriteMargins(s.files, s.userMargins);
  WriteSettings(s.files, {{keys::kActive, keys::kDuoISheet, "0"},
                          {keys::kOthers, keys::kRightHand, "1"},
                          {keys::kOthers, keys::kLeftHand, "0"}});
  CreateDefaultSettings(s.files);
  if (!s.live.printer.empty()) WriteSetting(s.files, keys::kActive, keys::kPrinter, s.live.printer);
  const std::string stored = ReadSetting(s.files, keys::kActive, keys::kPaperSize);
  s.live.paperTray = s.trayList.front();
  const Status paper =
      ChoosePaper(s, FindChoice(s.paperList, stored) ? stored : std::string(kDefaultPaper));
  Result<MediaRuleOutcome> media = ChooseMedia(s, s.live.mediaType);
  if (!paper) return paper.failure();
  return media;
}

Status CommitSession(PrintSession& s) { return CommitSettings(s.files); }

Status ChoosePaper(PrintSession& s, std::string_view name) {
  const std::string* paper = FindChoice(s.paperList, name);
  if (!paper) return Fail(ChoiceError("paper", name, s.paperList), Failure::Kind::Refused);
  // The user's margins first: a custom paper chosen before may have covered them.
  SetRunMargins(s.files, s.userMargins);
  s.marginOverride = false;
  s.live.paperName = *paper;
  s.live.trayListEnabled = true;
  SetPaper(s.files, s.live, *paper, s.text[entry::kTrayMultiPurpose]);
  // The medium's rules depend on the paper (the dark foil's margins on A3).
  ApplyMedia(s);
  return CheckPrintableArea(s);
}

Result<MediaRuleOutcome> ChooseMedia(PrintSession& s, std::string_view name) {
  const std::string* media = FindChoice(s.mediaList, name);
  if (!media) return Fail(ChoiceError("media", name, s.mediaList), Failure::Kind::Refused);
  s.live.mediaType = *media;
  s.live.mediaCode = MediaCodeForText(s.text, *media);
  return ApplyMedia(s);
}

Status ChooseTray(PrintSession& s, std::string_view name) {
  const std::string* tray = FindChoice(s.trayList, name);
  if (!tray) return Fail(ChoiceError("tray", name, s.trayList), Failure::Kind::Refused);
  if (!s.live.trayListEnabled && *tray != s.live.paperTray) {
    const std::string feeder = PaperLocksTray(s) ? "the paper \"" + s.live.paperName + "\""
                                                 : "the medium \"" + s.live.mediaType + "\"";
    return Fail(feeder + " is fed from \"" + s.live.paperTray + "\" only; '" + std::string(name) +
                    "' cannot be chosen",
                Failure::Kind::Refused);
  }
  s.live.paperTray = *tray;
  WriteSetting(s.files, keys::kActive, keys::kTray, *tray);
  return {};
}

Status SetCopies(PrintSession& s, int copies) {
  if (copies < kMinCopies || copies > kMaxCopies) {
    return Fail("copies must be a whole number from 1 to 99, not " + std::to_string(copies),
                Failure::Kind::Refused);
  }
  s.live.copies = copies;
  return {};
}

Status CheckPrintableArea(const PrintSession& s) {
  const PrintableSize area = PrintableArea(s.files, s.live);
  if (area.widthPt > 0 && area.heightPt > 0) return {};
  const DisplayUnit unit = ReadDisplayUnit(s.files);
  const PageMargins m = ReadMargins(s.files);
  auto length = [&](double pt) { return FormatPointsInDisplayUnit(static_cast<float>(pt), unit); };
  return Fail("the margins of the paper \"" + s.live.paperName + "\" (top " +
              length(m.top / 100.0) + ", left " + length(m.left / 100.0) + ", right " +
              length(m.right / 100.0) + ", bottom " + length(m.bottom / 100.0) +
              ") leave no printable area on its " + length(s.live.paperWidthPt) + " x " +
              length(s.live.paperHeightPt) + " page");
}

Result<PageMargins> StoreUserMargins(PrintSession& s, const PageMargins& typed,
                                     std::string_view printerName) {
  const PageMargins margins = RaiseToMinimumMargins(typed, printerName);
  const PageMargins inForce = ReadMargins(s.files);
  SetRunMargins(s.files, margins);
  if (Status room = CheckPrintableArea(s); !room) {
    SetRunMargins(s.files, inForce);
    return room.failure();
  }
  WriteMargins(s.files, margins);
  s.userMargins = margins;
  s.marginOverride = false;
  return margins;
}

Status RefreshPaperList(PrintSession& s) {
  s.paperList = PaperList(s.files, s.modelKey);
  const bool offered =
      std::find(s.paperList.begin(), s.paperList.end(), s.live.paperName) != s.paperList.end();
  return ChoosePaper(s, offered ? s.live.paperName : std::string(kDefaultPaper));
}

}  // namespace nvx
