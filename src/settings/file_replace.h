#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace nvx {

// Why a settings write was refused, in the terms the user is shown.
enum class WriteFailure { None, FileNotFound, PathNotFound, AccessDenied, WriteProtected, Other };

struct WriteStatus {
  WriteFailure failure = WriteFailure::None;
  int systemError = 0;  // errno, shown for WriteFailure::Other

  bool Ok() const { return failure == WriteFailure::None; }
};

// "Error 3 - Path not found" and the like; "Error N" with the errno for the rest.
std::string WriteFailureReason(const WriteStatus& status);

// Replaces the file with `bytes` through a temporary file in the same folder
// (flushed to disk, then renamed), so a crash leaves either the old or the new file.
// The old file's permission bits and owner stay. A file that no one may write
// counts as read-only even for root, so the program behaves the same everywhere.
WriteStatus ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes);

// The file's bytes before it is changed and written back: a missing file is
// empty; one that is there but cannot be read whole (not a regular file, larger
// than `maxBytes`, unreadable) is refused, so a write never replaces what it
// could not read.
WriteStatus ReadForRewrite(const std::filesystem::path& file, std::size_t maxBytes,
                           std::string& bytes);

}  // namespace nvx
