#include "job/presets.h"

#include <algorithm>

#include "base/text.h"
#include "image/white_choke.h"
#include "job/print_controls.h"
#include "lang/text_entries.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/readable_file.h"
#include "settings/ini_file.h"
#include "settings/numbers.h"
#include "settings/paper_limits.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

// A check-box key that holds this (or is missing) leaves the check box as it is.
constexpr long long kCheckUnchanged = 5;
// A margin key that holds this (or is missing) leaves the stored margin as it is.
constexpr std::string_view kMarginUnchanged = "60";
// The largest margin a preset may set, in hundredths of a point.
constexpr long long kMostMargin = static_cast<long long>(kMaxMarginPt * 100);

std::string_view ProfileSection(TonerOrder order) {
  return order == TonerOrder::WhiteFirst ? keys::kWhiteFirstProfile : keys::kWhiteLastProfile;
}

std::string Percent(int value) { return std::to_string(value) + "%"; }

// The preset as read: nullopt where it has no such key.
struct PresetFile {
  IniDocument document;

  std::optional<std::string> Value(std::string_view key,
                                   std::string_view section = keys::kActive) const {
    return FindIniValue(document, section, key);
  }
  std::optional<int> Percentage(std::string_view key) const {
    std::optional<std::string> text = Value(key);
    if (!text) return std::nullopt;
    return HoldToRange(*FindPrintControl(control::kWhiteDensity), LeadingInteger(*text));
  }
  void Check(std::string_view key, bool& state) const {
    std::optional<std::string> text = Value(key);
    if (!text) return;
    const long long value = LeadingInteger(*text);
    if (value != kCheckUnchanged) state = value != 0;
  }
};

void ApplyWhiteControls(const PresetFile& preset, LiveSettings& live) {
  // A preset without the density key keeps the slider where it is.
  if (std::optional<int> mask = preset.Percentage(keys::kWhiteMask)) live.whiteMaskPercent = *mask;
  preset.Check(keys::kDisplay, live.displayWhite);
  preset.Check(keys::kTonerOn, live.printWhite);
  preset.Check(keys::kTonerSave, live.thresholdOn);
  live.tonerPercent = preset.Percentage(keys::kTonerPercent)
                          .value_or(FindPrintControl(control::kWhiteThreshold)->defaultValue);
  preset.Check(keys::kCompact, live.compactRaster);
  if (std::optional<std::string> choke = preset.Value(keys::kWhiteChoke))
    live.whiteChokeMm = std::clamp(LeadingNumber(*choke), 0.0, kMaxWhiteChokeMm);
}

// Every key a preset may hold; a file with none of them is no preset.
struct PresetKey {
  std::string_view section;
  std::string_view key;
};
constexpr PresetKey kPresetKeys[] = {
    {keys::kActive, keys::kWhiteMask},
    {keys::kActive, keys::kWhiteOverlay},
    {keys::kActive, keys::kDisplay},
    {keys::kActive, keys::kTonerOn},
    {keys::kActive, keys::kTonerSave},
    {keys::kActive, keys::kTonerPercent},
    {keys::kActive, keys::kRightMargin},
    {keys::kActive, keys::kLeftMargin},
    {keys::kActive, keys::kBottomMargin},
    {keys::kActive, keys::kTopMargin},
    {keys::kActive, keys::kPaperSize},
    {keys::kActive, keys::kWhiteChoke},
    {keys::kActive, keys::kCompact},
    {keys::kWhiteLastProfile, keys::kProfile},
    {keys::kWhiteFirstProfile, keys::kProfile},
};

bool HoldsAnyPresetKey(const PresetFile& preset) {
  return std::ranges::any_of(
      kPresetKeys, [&](const PresetKey& k) { return preset.Value(k.key, k.section).has_value(); });
}

// What of the preset was left out or changed, told to the user in one message.
using PresetNotes = std::vector<std::string>;

// The preset's margins, each raised to the printer's least as the margin
// dialog raises what is typed. The standard margins the program writes itself
// stay as they are (its bottom, 13.07 pt, is a hair below the least).
PageMargins PresetMargins(const PresetFile& preset, PageMargins margins,
                          std::string_view printerName, PresetNotes& notes) {
  const PageMargins least = MinimumMargins(printerName);
  auto apply = [&](std::string_view key, int PageMargins::*field) {
    std::optional<std::string> text = preset.Value(key);
    if (!text || Trim(*text) == kMarginUnchanged) return;
    const long long value = LeadingInteger(*text);
    const bool belowLeast = value < least.*field && value < kStandardMargins.*field;
    margins.*field = static_cast<int>(belowLeast ? least.*field : std::min(value, kMostMargin));
    if (margins.*field != value) {
      notes.push_back(
          "its " + std::string(key) + " " + std::string(Trim(*text)) +
          (belowLeast ? " is below the printer's least margin; " : " is beyond any paper; ") +
          std::to_string(margins.*field) + " is used.");
    }
  };
  apply(keys::kRightMargin, &PageMargins::right);
  apply(keys::kLeftMargin, &PageMargins::left);
  apply(keys::kBottomMargin, &PageMargins::bottom);
  apply(keys::kTopMargin, &PageMargins::top);
  return margins;
}

void ApplyColourPoints(const PresetFile& preset, LiveSettings& live, PresetNotes& notes) {
  const std::string_view section = ProfileSection(live.tonerOrder);
  std::optional<std::string> text = preset.Value(keys::kProfile, section);
  if (!text) return;
  // Anything but a full set of points would flatten the curves.
  if (auto points = ParseCompleteColourAdjustPoints(*text)) {
    live.colourPoints = *points;
    return;
  }
  notes.push_back("its colour-adjust points ([" + std::string(section) +
                  "] Profile) are not 48 hexadecimal digits; the curves stay as they were.");
}

// The paper the preset names, chosen as the paper list chooses; the current
// paper again when it names none, so that new margins meet the paper's rules.
Status ApplyPaper(PrintSession& s, const PresetFile& preset, PresetNotes& notes) {
  std::string paper = std::string(Trim(preset.Value(keys::kPaperSize).value_or("")));
  if (!paper.empty() && !FindChoice(s.paperList, paper)) {
    notes.push_back("its paper \"" + paper + "\" is not offered for the " + s.modelKey +
                    "; the paper stays \"" + s.live.paperName + "\".");
    paper.clear();
  }
  return ChoosePaper(s, paper.empty() ? s.live.paperName : paper);
}

Notes NotesOf(const PrintSession& s, const std::filesystem::path& file, const PresetNotes& notes) {
  if (notes.empty()) return {};
  std::string text = "The preset \"" + file.filename().string() + "\" was loaded, but";
  for (const std::string& note : notes) text += "\r\n- " + note;
  return {Message{s.text[entry::kTitle], text, MessageIcon::Exclamation}};
}

// Compact jobs are written only when on, or to turn off the Compact an earlier
// save left in the file: a preset saved without them stays as it always was.
bool WritesCompact(const LiveSettings& live, const std::filesystem::path& file) {
  if (live.compactRaster) return true;
  if (platform::IsStreamOutput(file)) return false;
  const Result<std::string> read = platform::ReadRegularFile(file, kMaxIniFileBytes);
  return read && FindIniValue(ParseIni(*read), keys::kActive, keys::kCompact).has_value();
}

}  // namespace

Status WritePreset(PrintSession& s, const std::filesystem::path& file) {
  using namespace keys;
  const LiveSettings& live = s.live;
  const PageMargins margins = ReadMargins(s.files);
  const std::string values[] = {
      Percent(live.whiteMaskPercent),
      live.displayWhite ? "1" : "0",
      live.printWhite ? "1" : "0",
      live.thresholdOn ? "1" : "0",
      Percent(live.tonerPercent),
      std::to_string(margins.right),
      std::to_string(margins.left),
      std::to_string(margins.bottom),
      std::to_string(margins.top),
      live.paperName,
      FormatColourAdjustPoints(live.colourPoints),
      std::string(live.tonerOrder == TonerOrder::WhiteFirst ? kWhiteLastPointsText
                                                            : kWhiteFirstPointsText),
      WhiteChokeText(live.whiteChokeMm)};
  const TonerOrder other =
      live.tonerOrder == TonerOrder::WhiteFirst ? TonerOrder::WhiteLast : TonerOrder::WhiteFirst;
  const IniAssignment assignments[] = {
      {kActive, kWhiteMask, values[0]},
      {kActive, kDisplay, values[1]},
      {kActive, kTonerOn, values[2]},
      {kActive, kTonerSave, values[3]},
      {kActive, kTonerPercent, values[4]},
      {kActive, kRightMargin, values[5]},
      {kActive, kLeftMargin, values[6]},
      {kActive, kBottomMargin, values[7]},
      {kActive, kTopMargin, values[8]},
      {kActive, kPaperSize, values[9]},
      {ProfileSection(live.tonerOrder), kProfile, values[10]},
      {ProfileSection(other), kProfile, values[11]},
      // Readers that know no choke pass the key by.
      {kActive, kWhiteChoke, values[12]},
  };
  std::vector<IniAssignment> entries(std::begin(assignments), std::end(assignments));
  if (WritesCompact(live, file))
    entries.push_back({kActive, kCompact, live.compactRaster ? "1" : "0"});
  // Standard output, a device or a FIFO takes a whole new preset; only a file
  // can be loaded again and be remembered for the dialogs.
  if (platform::IsStreamOutput(file)) {
    IniDocument preset;
    for (const IniAssignment& a : entries) SetIniValue(preset, a.section, a.key, a.value);
    const std::string bytes = SerializeIni(preset);
    const std::string_view pieces[] = {bytes};
    if (Status written = platform::WriteOutputFile(file, pieces); !written) {
      return Fail("cannot write the preset '" + file.string() + "': " + written.failure().message);
    }
    return {};
  }
  if (const Status written = WriteIniValues(file, entries); !written) {
    return Fail("cannot write the preset '" + file.string() + "': " + written.failure().message);
  }
  RememberPresetFile(s.files, file);
  return {};
}

Result<Notes> ReadPreset(PrintSession& s, const std::filesystem::path& file, PresetScope scope) {
  const Result<std::string> read = platform::ReadRegularFile(file, kMaxIniFileBytes);
  if (!read)
    return Fail("cannot read the preset '" + file.string() + "': " + read.failure().message);
  const PresetFile preset{ParseIni(*read)};
  if (!HoldsAnyPresetKey(preset)) {
    return Fail("cannot read the preset '" + file.string() +
                "': it holds none of a preset's settings (is it a preset file, saved as text?)");
  }

  PresetNotes notes;
  const std::string printer = ReadSetting(s.files, keys::kActive, keys::kPrinter);
  const PageMargins margins = PresetMargins(preset, s.userMargins, printer, notes);
  if (margins != s.userMargins) {
    s.userMargins = margins;
    if (scope == PresetScope::Stored) WriteMargins(s.files, margins);
  }
  Status paper = ApplyPaper(s, preset, notes);
  // After the paper: choosing it reapplies the medium's rules to the white switches.
  ApplyWhiteControls(preset, s.live);
  ApplyColourPoints(preset, s.live, notes);
  Notes told = NotesOf(s, file, notes);
  if (paper) return told;
  // The notes stand before the failure, so the user still learns what was kept.
  Failure failure = paper.failure();
  if (!told.empty()) failure.message = told.front().text + "\r\n\r\n" + failure.message;
  return failure;
}

void RememberPresetFile(const SettingsFiles& files, const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(file, ec);
  WriteSetting(files, keys::kDirectory, keys::kLastConfig, (ec ? file : full).string());
}

std::filesystem::path LastPresetFile(const SettingsFiles& files) {
  return ReadSetting(files, keys::kDirectory, keys::kLastConfig);
}

std::filesystem::path BuiltInPresetFolder() {
  return platform::ProgramFolder() / kPresetFolderName;
}

std::vector<std::string> ListBuiltInPresets() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(BuiltInPresetFolder(), ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(ec) && name.size() > kPresetExtension.size() &&
        EqualsIgnoreCase(entry.path().extension().string(), kPresetExtension)) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::filesystem::path> FindPreset(std::string_view fileOrName) {
  std::error_code ec;
  const std::filesystem::path given(fileOrName);
  if (std::filesystem::is_regular_file(given, ec)) return given;
  if (fileOrName.empty() || fileOrName.find('/') != std::string_view::npos) return std::nullopt;
  for (const std::string& name : ListBuiltInPresets()) {
    const std::string_view stem =
        std::string_view(name).substr(0, name.size() - kPresetExtension.size());
    if (EqualsIgnoreCase(name, fileOrName) || EqualsIgnoreCase(stem, fileOrName))
      return BuiltInPresetFolder() / name;
  }
  return std::nullopt;
}

}  // namespace nvx
