#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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

// The leading number of a setting ("" and missing keys give 0).
long long ReadSettingNumber(const SettingsFiles& files, std::string_view section,
                            std::string_view key);

// Writes replace the file atomically. A failed write shows "Failed to write to:- "
// with the path and the reason through files.hooks, once, and the program goes on.
void WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                  std::string_view value);
void WriteMachineSetting(const SettingsFiles& files, std::string_view section,
                         std::string_view key, std::string_view value);

// Writes the defaults of a new or outdated settings file (creates the user folder).
void CreateDefaultSettings(const SettingsFiles& files);

}  // namespace nvx
