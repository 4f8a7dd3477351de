#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace nvx::platform {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

WholeFile Failed(ReadFailure failure, int systemError = 0) {
  WholeFile file;
  file.failure = failure;
  file.systemError = systemError;
  return file;
}

// Reads to the end, or one byte past `maxBytes` at most.
WholeFile ReadUpTo(int fd, std::size_t expected, std::size_t maxBytes) {
  WholeFile file;
  file.bytes.resize(expected + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == file.bytes.size()) {
      if (got > maxBytes) return Failed(ReadFailure::TooLarge);
      file.bytes.resize(std::min(got * 2 + 1, maxBytes + 1));
    }
    const ssize_t n = ::read(fd, file.bytes.data() + got, file.bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed(ReadFailure::SystemError, errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) return Failed(ReadFailure::TooLarge);
  file.bytes.resize(got);
  return file;
}

}  // namespace

WholeFile ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes) {
  // A device is not even opened: opening some (a tape, a port) has effects of its own.
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode))
    return Failed(ReadFailure::NotRegularFile);
  // O_NONBLOCK: a FIFO put in the file's place since would otherwise wait for a writer.
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return Failed(ReadFailure::Missing, errno);
    return Failed(ReadFailure::SystemError, errno);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return Failed(ReadFailure::SystemError, errno);
  if (!S_ISREG(info.st_mode)) return Failed(ReadFailure::NotRegularFile);
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > maxBytes) return Failed(ReadFailure::TooLarge);
  return ReadUpTo(fd.get(), static_cast<std::size_t>(size), maxBytes);
}

std::string ReadFailureText(const WholeFile& file, std::size_t maxBytes) {
  switch (file.failure) {
    case ReadFailure::None:
      return {};
    case ReadFailure::Missing:
      return "no such file";
    case ReadFailure::NotRegularFile:
      return "not a regular file";
    case ReadFailure::TooLarge:
      return "larger than " + std::to_string(maxBytes) + " bytes";
    case ReadFailure::SystemError:
      break;
  }
  return std::strerror(file.systemError);
}

}  // namespace nvx::platform
