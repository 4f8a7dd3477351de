#include "platform/readable_file.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

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
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// A regular file open for reading, or why not: the system's error number, or
// the kind of thing found in its place.
struct OpenedFile {
  int fd = -1;
  std::uint64_t size = 0;
  int error = 0;
  mode_t foundMode = 0;  // set when something other than a regular file is there
};

OpenedFile OpenRegular(const std::filesystem::path& path) {
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
    return {.error = kNotRegularFile, .foundMode = before.st_mode};
  }
  // O_NONBLOCK: a FIFO put in the file's place since would otherwise wait for a writer.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return {.error = errno};
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return {.error = errno};
  if (!S_ISREG(info.st_mode)) return {.error = kNotRegularFile, .foundMode = info.st_mode};
  return {.fd = fd.release(), .size = static_cast<std::uint64_t>(info.st_size)};
}

std::string OpenFailureText(const OpenedFile& opened) {
  if (opened.foundMode != 0) {
    const mode_t mode = opened.foundMode;
    if (S_ISDIR(mode)) return "a folder, not a file";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO), not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
    if (S_ISSOCK(mode)) return "a socket, not a file";
    return "not a regular file";
  }
  switch (opened.error) {
    case ENOENT:
    case ENOTDIR:
      return "no such file";
    case ELOOP:
      return "a loop of symbolic links, not a file";
    case EACCES:
    case EPERM:
      return "not readable (permission denied)";
    default:
      return std::strerror(opened.error);
  }
}

// Reads to the end, or one byte past `maxBytes` at most.
Result<std::string> ReadUpTo(int fd, std::size_t expected, std::size_t maxBytes,
                             const std::string& tooLarge) {
  std::string bytes(expected + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got > maxBytes) return SystemFailure(kTooLarge, tooLarge);
      bytes.resize(std::min(got * 2 + 1, maxBytes + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemFailure(errno, std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) return SystemFailure(kTooLarge, tooLarge);
  bytes.resize(got);
  return bytes;
}

}  // namespace

Result<ReadableFile> ReadableFile::Open(const std::filesystem::path& path) {
  const OpenedFile opened = OpenRegular(path);
  if (opened.fd < 0) return SystemFailure(opened.error, OpenFailureText(opened));
  return ReadableFile(opened.fd, opened.size);
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept : fd_(other.fd_), size_(other.size_) {
  other.fd_ = -1;
}

ReadableFile::~ReadableFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::size_t> ReadableFile::ReadAt(std::uint64_t offset, char* out,
                                                std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::optional<std::string> ReadableFile::ReadAt(std::uint64_t offset, std::size_t count) const {
  std::string bytes(count, '\0');
  const std::optional<std::size_t> got = ReadAt(offset, bytes.data(), count);
  if (!got) return std::nullopt;
  bytes.resize(*got);
  return bytes;
}

std::optional<std::size_t> ReadableFile::SendTo(int out, std::size_t count) const {
  off_t offset = 0;
  while (static_cast<std::size_t>(offset) < count) {
    const ssize_t sent = ::sendfile(out, fd_, &offset, count - static_cast<std::size_t>(offset));
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0) return std::nullopt;
    if (sent == 0) break;
  }
  return static_cast<std::size_t>(offset);
}

Result<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes) {
  const OpenedFile opened = OpenRegular(path);
  if (opened.fd < 0) {
    switch (opened.error) {
      case ENOENT:
        return SystemFailure(ENOENT, "no such file");
      case kNotRegularFile:
        return SystemFailure(kNotRegularFile, "not a regular file");
      default:
        return SystemFailure(opened.error, std::strerror(opened.error));
    }
  }
  const Descriptor fd(opened.fd);
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (opened.size > maxBytes) return SystemFailure(kTooLarge, tooLarge);
  return ReadUpTo(fd.get(), static_cast<std::size_t>(opened.size), maxBytes, tooLarge);
}

}  // namespace nvx::platform
