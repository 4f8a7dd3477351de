#include "settings/settings_file.h"

#include "settings/numbers.h"
#include "settings/settings_keys.h"
#include "settings/toner_order.h"

namespace nvx {
namespace {

constexpr std::string_view kFailureTitle = "Nivalux";
constexpr std::string_view kFailureText = "Failed to write to:- ";

void WriteAndReport(const SettingsFiles& files, const std::filesystem::path& file,
                    std::span<const IniAssignment> assignments) {
  ReportWriteFailure(files.hooks, file, WriteIniValues(file, assignments));
}

}  // namespace

std::string ReadSetting(const SettingsFiles& files, std::string_view section,
                        std::string_view key) {
  return ReadIniValue(files.UserFile(), section, key);
}

std::string ReadMachineSetting(const SettingsFiles& files, std::string_view section,
                               std::string_view key) {
  return ReadIniValue(files.MachineFile(), section, key);
}

std::string ReadSettingOr(const SettingsFiles& files, std::string_view section,
                          std::string_view key, std::string_view fallback) {
  auto value = FindIniValue(LoadIniFile(files.UserFile()), section, key);
  return value ? *value : std::string(fallback);
}

long long ReadSettingNumber(const SettingsFiles& files, std::string_view section,
                            std::string_view key) {
  return LeadingInteger(ReadSetting(files, section, key));
}

void WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                  std::string_view value) {
  IniAssignment one{section, key, value};
  WriteAndReport(files, files.UserFile(), std::span(&one, 1));
}

void WriteMachineSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                         std::string_view value) {
  IniAssignment one{section, key, value};
  WriteAndReport(files, files.MachineFile(), std::span(&one, 1));
}

void WriteSettings(const SettingsFiles& files, std::initializer_list<IniAssignment> assignments) {
  WriteAndReport(files, files.UserFile(), std::span(assignments.begin(), assignments.size()));
}

void WriteSettings(const SettingsFiles& files, std::span<const IniAssignment> assignments) {
  WriteAndReport(files, files.UserFile(), assignments);
}

void ReportWriteFailure(const UiHooks* hooks, const std::filesystem::path& file,
                        const WriteStatus& status) {
  if (status.Ok() || !hooks) return;
  std::string text =
      std::string(kFailureText) + "\n" + file.string() + "\n" + WriteFailureReason(status);
  hooks->Show(Message{std::string(kFailureTitle), std::move(text), MessageIcon::Error});
}

void CreateDefaultSettings(const SettingsFiles& files) {
  std::error_code ignored;
  std::filesystem::create_directories(files.userFolder, ignored);
  using namespace keys;
  // One write for the whole list: a refused file shows one message, not twenty.
  WriteSettings(files, {
                           {kIniInf, kVersion, kSettingsVersion},
                           {kActive, kPrinter, "OKI C711wt NVX"},
                           {kActive, kTray, "AUTO"},
                           {kActive, kPaperSize, "A4"},
                           {kActive, kTraySwitch, "0"},
                           {kActive, kWhiteMask, "100"},
                           {kActive, kWhiteOverlay, "2"},
                           {kActive, kMirror, "1"},
                           {kActive, kDisplay, "0"},
                           {kActive, kTonerOn, "1"},
                           {kActive, kTonerSave, "1"},
                           {kActive, kTonerPercent, "50"},
                           {kActive, kJpegArtifact, "5"},
                           {kActive, kIcmProfileOut, "OKC711P2.ICM"},
                           {kActive, kIcmProfileIn, "sRGB.icm"},
                           {kActive, kUnit, "M"},
                           {kActive, kMptOffset, "0"},
                           {kActive, kTray1Offset, "0"},
                           {kActive, kTonerOrder, kWhiteLastText},
                           {kKymc, kProfile, kWhiteLastPointsText},
                       });
}

}  // namespace nvx
