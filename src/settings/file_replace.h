#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/result.h"

namespace nvx {

// A write of a settings file that failed is a Failure whose code is the errno
// and whose message is the reason in the terms the user is shown: "Error 3 -
// Path not found" and the like, "Error N" with the errno for the rest.

// Replaces the file with `bytes` through a temporary file in the same folder
// (flushed to disk, then renamed), so a crash leaves either the old or the new file.
// The old file's permission bits and owner stay. A file that no one may write
// counts as read-only even for root, so the program behaves the same everywhere.
Status ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes);

// The file's bytes before it is changed and written back: a missing file is
// empty; one that is there but cannot be read whole (not a regular file, larger
// than `maxBytes`, unreadable) is refused, so a write never replaces what it
// could not read.
Result<std::string> ReadForRewrite(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace nvx
