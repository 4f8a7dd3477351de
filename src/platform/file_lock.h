#pragma once

#include <filesystem>

namespace nvx::platform {

// An exclusive lock on a lock file (created when missing), released when the
// object goes or the process ends, however it ends. Other processes that take
// the same lock wait, or with TryLock give up at once.
class FileLock {
 public:
  // Waits for the lock. held() is false when the lock file cannot be opened
  // (a read-only folder): the caller goes on unlocked rather than not at all.
  explicit FileLock(const std::filesystem::path& lockFile);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&&) = delete;

  // Takes the lock only when no one holds it; held() tells.
  static FileLock TryLock(const std::filesystem::path& lockFile);

  bool held() const { return fd_ >= 0; }

 private:
  FileLock() = default;
  int fd_ = -1;
};

// The lock file that guards `file`: ".NAME.lock" beside it.
std::filesystem::path LockFileFor(const std::filesystem::path& file);

}  // namespace nvx::platform
