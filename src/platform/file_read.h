#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace nvx::platform {

// Why a whole file could not be read.
enum class ReadFailure { None, Missing, NotRegularFile, TooLarge, SystemError };

struct WholeFile {
  std::string bytes;
  ReadFailure failure = ReadFailure::None;
  int systemError = 0;  // errno, for SystemError

  bool Ok() const { return failure == ReadFailure::None; }
};

// Reads a whole regular file of at most `maxBytes`. The file is opened without
// blocking and examined before anything is read, so a FIFO, a device, a
// directory or a socket in its place is refused at once, never waited on or
// read without end; a file that is, or grows, larger than `maxBytes` is refused
// after reading no more than that.
WholeFile ReadRegularFile(const std::filesystem::path& file, std::size_t maxBytes);

// "is not a regular file", "is larger than 4194304 bytes", the system's reason.
std::string ReadFailureText(const WholeFile& file, std::size_t maxBytes);

}  // namespace nvx::platform
