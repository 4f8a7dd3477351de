#pragma once

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

// Reads the whole file; false when it is missing or not a regular file.
bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes);

}  // namespace nvx
