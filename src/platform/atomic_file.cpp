#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nvx::platform {
namespace {

namespace fs = std::filesystem;

// The file the rename must replace: a symbolic link is followed, so the link stays.
fs::path ResolveTarget(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_symlink(file, ec)) return file;
  fs::path target = fs::weakly_canonical(file, ec);
  return ec ? file : target;
}

std::string TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return "." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

// Creates a fresh temporary file beside `target`; -1 with errno set when it cannot.
int CreateTempFile(const fs::path& target, fs::path& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target.parent_path() / TempNameFor(target);
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Writes, keeps the old file's mode and owner, and flushes; returns errno or 0.
int FillTempFile(int fd, std::span<const std::string_view> pieces, const struct stat* old) {
  for (std::string_view piece : pieces) {
    if (int err = WriteAll(fd, piece)) return err;
  }
  if (old) {
    ::fchmod(fd, old->st_mode & 07777);
    // Only root can give the file back to its owner; anyone else keeps the same owner anyway.
    [[maybe_unused]] int ignored = ::fchown(fd, old->st_uid, old->st_gid);
  }
  if (::fsync(fd) != 0) return errno;
  return 0;
}

void SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

int ReplaceFile(const fs::path& file, std::span<const std::string_view> pieces) {
  fs::path target = ResolveTarget(file);
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (target.parent_path().empty()) target = folder / target;

  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return errno;
  if (exists && S_ISREG(old.st_mode) && (old.st_mode & 0222) == 0) return EACCES;
  // The rename needs only the folder's permission; the file's own must be asked separately.
  if (exists && S_ISREG(old.st_mode) && ::access(target.c_str(), W_OK) != 0) return errno;

  fs::path tempPath;
  const int fd = CreateTempFile(target, tempPath);
  if (fd < 0) return errno;
  int err = FillTempFile(fd, pieces, exists ? &old : nullptr);
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(tempPath.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tempPath.c_str());
    return err;
  }
  SyncFolder(folder);
  return 0;
}

std::string WriteFileAtomically(const fs::path& target, std::span<const std::string_view> pieces) {
  const int err = ReplaceFile(target, pieces);
  return err == 0 ? std::string() : std::string(std::strerror(err));
}

}  // namespace nvx::platform
