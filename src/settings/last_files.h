#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "settings/file_replace.h"

namespace nvx {

// The recent-file list: six fixed slots of UTF-16LE text in the user folder.
// Slots 1-5 hold the five images opened last, most recent first; slot 6 the
// folder of the most recent one.
inline constexpr std::string_view kLastFileName = "Lastfile.exini";
inline constexpr int kLastFileSlots = 6;
inline constexpr int kRecentFileCount = 5;
inline constexpr std::size_t kLastFileValueUnits = 500;  // UTF-16 units after the slot digit

// The value of slot 1..6 without its trailing blanks; empty for a missing file or slot.
std::string ReadLastFile(const std::filesystem::path& folder, int slot);

// Writes slots 1-6 from `paths` (most recent first; only the first five count).
// Values longer than a slot are cut, never in the middle of a surrogate pair.
Status WriteLastFiles(const std::filesystem::path& folder, std::span<const std::string> paths);

// The images of slots 1-5, most recent first, empty slots left out.
std::vector<std::string> ReadRecentFiles(const std::filesystem::path& folder);

// Puts `path` first in the list; the others keep their order, each once, and the
// oldest gives way when all five slots are taken.
Status RememberRecentFile(const std::filesystem::path& folder, const std::string& path);

}  // namespace nvx
