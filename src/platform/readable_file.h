#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/result.h"

namespace nvx::platform {

// A regular file opened for reading. The open never blocks: a named pipe or a
// device in its place is refused in words instead of holding the program up.
class ReadableFile {
 public:
  // Fails with what is at the path instead ("no such file", "a folder, not a
  // file", "a named pipe (FIFO), not a file", ...).
  static Result<ReadableFile> Open(const std::filesystem::path& path);
  ReadableFile(ReadableFile&& other) noexcept;
  ReadableFile& operator=(ReadableFile&&) = delete;
  ReadableFile(const ReadableFile&) = delete;
  ~ReadableFile();

  std::uint64_t Size() const { return size_; }
  // Up to `count` bytes from `offset` into `out`; the bytes read, fewer at the
  // end of the file; nullopt on a read error.
  std::optional<std::size_t> ReadAt(std::uint64_t offset, char* out, std::size_t count) const;
  // The same into a string of its own.
  std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t count) const;

 private:
  ReadableFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace nvx::platform
