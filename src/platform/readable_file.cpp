#include "platform/readable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nvx::platform {
namespace {

std::string OpenFailureText(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "no such file";
    case ELOOP:
      return "a loop of symbolic links, not a file";
    case EACCES:
    case EPERM:
      return "not readable (permission denied)";
    default:
      return std::strerror(error);
  }
}

std::string KindText(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder, not a file";
  if (S_ISFIFO(mode)) return "a named pipe (FIFO), not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "not a regular file";
}

}  // namespace

Result<ReadableFile> ReadableFile::Open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Fail(OpenFailureText(errno));
  struct stat info {};
  std::string refusal;
  if (::fstat(fd, &info) != 0) {
    refusal = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    refusal = KindText(info.st_mode);
  }
  if (!refusal.empty()) {
    ::close(fd);
    return Fail(refusal);
  }
  return ReadableFile(fd, static_cast<std::uint64_t>(info.st_size));
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

}  // namespace nvx::platform
