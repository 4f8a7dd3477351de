#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nvx::platform {
namespace {

std::string WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::strerror(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace

std::string WriteFileAtomically(const std::filesystem::path& target,
                                std::span<const std::string_view> pieces) {
  std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return std::strerror(errno);

  std::string error;
  for (std::string_view piece : pieces) {
    error = WriteAll(fd, piece);
    if (!error.empty()) break;
  }
  if (error.empty() && ::fsync(fd) != 0) error = std::strerror(errno);
  // mkstemp makes the file private; the result is an ordinary file under the umask.
  mode_t mask = ::umask(0);
  ::umask(mask);
  if (error.empty() && ::fchmod(fd, 0666 & ~mask) != 0) error = std::strerror(errno);
  if (::close(fd) != 0 && error.empty()) error = std::strerror(errno);
  if (error.empty() && std::rename(temp.c_str(), target.c_str()) != 0) {
    error = std::strerror(errno);
  }
  if (!error.empty()) ::unlink(temp.c_str());
  return error;
}

}  // namespace nvx::platform
