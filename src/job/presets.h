#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "job/print_session.h"

namespace nvx {

inline constexpr std::string_view kPresetExtension = ".svcfg";
// The presets installed with the program live in this folder of its data.
inline constexpr std::string_view kPresetFolderName = "presets";

// Whether a loaded preset's margins are stored in the settings (the window's
// "Load Settings") or hold for this run only (a command's --preset).
enum class PresetScope { Stored, ThisRun };

// Writes the session's white-toner controls, margins, paper, colour-adjust
// points and white choke to the preset file (created or updated key by key),
// then remembers it as Directory/Last Config. "-", a device or a FIFO gets the
// whole preset written through and is not remembered. Fails, remembering
// nothing, when the file cannot be written.
Status WritePreset(PrintSession& session, const std::filesystem::path& file);

// Applies a preset to the session: only the keys it holds, by the rules of
// each. Its paper is chosen as the paper list chooses; a paper the list does
// not offer leaves the paper as it is. Colour-adjust points are taken only when
// the preset holds 48 hexadecimal digits for the toner order in force. Returns
// what the user should be told about keys that were not taken (the caller shows
// it); fails, changing nothing, when the file cannot be read.
Result<Notes> ReadPreset(PrintSession& session, const std::filesystem::path& file,
                         PresetScope scope);

// Directory/Last Config: the start of the save and load dialogs.
void RememberPresetFile(const SettingsFiles& files, const std::filesystem::path& file);
std::filesystem::path LastPresetFile(const SettingsFiles& files);

// The folder of the installed presets and their file names, sorted.
std::filesystem::path BuiltInPresetFolder();
std::vector<std::string> ListBuiltInPresets();

// A preset file the user named: an existing file, else an installed preset of
// that name with or without its extension (letter case ignored).
std::optional<std::filesystem::path> FindPreset(std::string_view fileOrName);

}  // namespace nvx
