#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace nvx::platform {
namespace {

int OpenLockFile(const std::filesystem::path& lockFile) {
  return ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& lockFile) : fd_(OpenLockFile(lockFile)) {
  if (fd_ < 0) return;
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

FileLock FileLock::TryLock(const std::filesystem::path& lockFile) {
  FileLock lock;
  lock.fd_ = OpenLockFile(lockFile);
  if (lock.fd_ >= 0 && ::flock(lock.fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock.fd_);
    lock.fd_ = -1;
  }
  return lock;
}

std::filesystem::path LockFileFor(const std::filesystem::path& file) {
  return file.parent_path() / ("." + file.filename().string() + ".lock");
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace nvx::platform
