#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace nvx::platform {

// Replaces `file` with the pieces written one after another, through a
// temporary file in the same folder (flushed to disk, then renamed), so a crash
// leaves either the old file or the new one, never half of it. A symbolic link
// is followed and stays a link; the old file's mode and owner are kept, a new
// file gets the usual mode under the umask. A file whose mode lets no one write
// counts as read-only even for root. Returns 0, or the errno of what failed.
int ReplaceFile(const std::filesystem::path& file, std::span<const std::string_view> pieces);

// The same, with the system's reason as text: empty on success.
std::string WriteFileAtomically(const std::filesystem::path& target,
                                std::span<const std::string_view> pieces);

}  // namespace nvx::platform
