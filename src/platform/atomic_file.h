#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace nvx::platform {

// Writes the pieces, one after another, to a temporary file beside `target`,
// flushes it to disk and renames it over `target`. Either the whole new file
// is there afterwards or the old state is untouched. Returns the empty text on
// success, else the system's reason.
std::string WriteFileAtomically(const std::filesystem::path& target,
                                std::span<const std::string_view> pieces);

}  // namespace nvx::platform
