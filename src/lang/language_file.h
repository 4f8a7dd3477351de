#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lang/entry_codec.h"
#include "lang/text_table.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

inline constexpr std::string_view kLanguageSection = "Active";
inline constexpr std::string_view kLanguageKey = "Language";
inline constexpr std::string_view kLanguageExtension = ".lan3";
inline constexpr std::string_view kLanguageHeaderV3 = "Starvane Language file V3";

enum class LanguageFileVersion { Missing, Unknown, Old, V3 };

// A language file as the loader reads it: entries in file order, after the
// stop rules. `declaredCount` is the file's N, cut to kMaxTextEntries - 1.
struct LanguageFileContents {
  LanguageFileVersion version = LanguageFileVersion::Missing;
  std::size_t declaredCount = 0;
  std::vector<LanguageEntry> entries;
};

LanguageFileContents ReadLanguageFile(const std::filesystem::path& file);

// The table a V3 file gives: entries 0 to N (at least kMinTextEntries), later
// entries replacing earlier ones, the line-break rule applied, entry 0 the
// application title when the file leaves it empty.
TextTable TextTableFromFile(const LanguageFileContents& contents);

// The file of that name in the program folder, letter case ignored as the
// Windows file names the settings hold expect. Empty when there is none.
std::filesystem::path FindLanguageFile(const std::filesystem::path& programFolder,
                                       std::string_view fileName);

// A language's texts, and what the user should be told when they are the
// built-in ones in place of a file's (the caller shows it).
struct LanguageTexts {
  TextTable table;
  Notes notes;
};

// The table from the named file, or the defaults with a note when the file is
// missing or outdated. A file of no known version gives the defaults too.
LanguageTexts LoadLanguageFile(const std::filesystem::path& programFolder,
                               std::string_view fileName);

// 0 when line 1 of the named file contains "V3", else 1.
int FileVersionCheck(const std::filesystem::path& programFolder, std::string_view fileName);

// The language file named by the settings, migrating an empty user setting
// from the machine copy and ".lang" names to ".lan3".
std::string StartupLanguageFileName(const SettingsFiles& files);
// The texts a start of the program shows in: the settings' language, or the
// built-in texts (without a note) when none is named anywhere.
LanguageTexts LoadStartupLanguage(const SettingsFiles& files,
                                  const std::filesystem::path& programFolder);

// The language dialog's list: every V3 "*.lan3" of the program folder as
// "English", "Deutsch", ..., sorted.
std::vector<std::string> ListLanguages(const std::filesystem::path& programFolder);
std::string LanguageDisplayName(std::string_view fileName);

// The current setting up to its first ".", for selecting it in the list.
std::string CurrentLanguageName(const SettingsFiles& files);

// The dialog's OK with the selected name (empty when nothing is selected): the
// new texts, and the window's texts need rebuilding; nullopt when the language
// stays as it is.
std::optional<LanguageTexts> ApplyLanguageChoice(std::string_view selection,
                                                 const SettingsFiles& files,
                                                 const std::filesystem::path& programFolder);

// A complete V3 file, CR LF line ends: entries sorted by index, a later entry
// with the same index replacing an earlier one, indexes from kMaxTextEntries
// on left out. Declares at least entry 300 so every reader keeps its full table.
std::string EncodeLanguageFile(std::span<const LanguageEntry> entries);

}  // namespace nvx
