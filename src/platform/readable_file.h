#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/result.h"

namespace nvx::platform {

// Reading a file that must be a regular one. Whatever stands at the path is
// examined before it is read, and a device is not even opened (opening some, a
// tape or a port, has effects of its own); the open never blocks, so a named
// pipe put in the file's place is refused instead of holding the program up.
// A refusal's code says what was found: ENOENT nothing, kNotRegularFile
// something other than a file, kTooLarge a file over the limit; any other code
// is the system's error number.
inline constexpr int kNotRegularFile = EINVAL;
inline constexpr int kTooLarge = EFBIG;

// A regular file opened for reading.
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
  // Up to `count` bytes from the start written to the descriptor `out` at its
  // position, copied by the kernel without passing through this process; the
  // bytes written, fewer at the end of the file; nullopt where the kernel cannot
  // copy them so, or on a read or write error.
  std::optional<std::size_t> SendTo(int out, std::size_t count) const;

 private:
  ReadableFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// The whole of a regular file of at most `maxBytes`; a file that is, or grows,
// larger is refused after reading no more than that. The failure's message is
// the short reason: "no such file", "not a regular file", "larger than 4194304
// bytes", or the system's.
Result<std::string> ReadRegularFile(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace nvx::platform
