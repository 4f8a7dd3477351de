#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

inline constexpr std::string_view kSettingsFileName = "NivaluxPro.ini";
inline constexpr std::string_view kSettingsVersion = "2.2";

// The two settings files: the user's working copy and the machine-wide copy.
// Every read goes to the file; there is no cached copy to keep in step.
struct SettingsFiles {
  std::filesystem::path userFolder;
  std::filesystem::path machineFolder;
  const UiHooks* hooks = nullptr;  // shows write failures; may be null

  std::filesystem::path UserFile() const { return userFolder / kSettingsFileName; }
  std::filesystem::path MachineFile() const { return machineFolder / kSettingsFileName; }
};

// Section and key are compared without regard to letter case. A missing file or
// key reads as the empty text; a value is cut to 255 characters.
std::string ReadSetting(const SettingsFiles& files, std::string_view section, std::string_view key);
std::string ReadMachineSetting(const SettingsFiles& files, std::string_view section,
                               std::string_view key);

// As ReadSetting, but a key that is not in the file gives `fallback` (a key that is
// there with an empty value gives the empty text).
std::string ReadSettingOr(const SettingsFiles& files, std::string_view section,
                          std::string_view key, std::string_view fallback);

// The leading number of a setting ("" and missing keys give 0).
long long ReadSettingNumber(const SettingsFiles& files, std::string_view section,
                            std::string_view key);

// Writes replace the file atomically. A failed write shows "Failed to write to:- "
// with the path and the reason through files.hooks, once, and the program goes on.
void WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                  std::string_view value);
void WriteMachineSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                         std::string_view value);

// Several keys in one atomic write of the user file: all are stored or none, and a
// failure is shown once.
void WriteSettings(const SettingsFiles& files, std::initializer_list<IniAssignment> assignments);
void WriteSettings(const SettingsFiles& files, std::span<const IniAssignment> assignments);

// Shows "Failed to write to:- " with the path and the reason; nothing when `status` is Ok.
void ReportWriteFailure(const UiHooks* hooks, const std::filesystem::path& file,
                        const WriteStatus& status);

// Writes the defaults of a new or outdated settings file (creates the user folder).
void CreateDefaultSettings(const SettingsFiles& files);

}  // namespace nvx
