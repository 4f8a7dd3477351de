#pragma once

#include <filesystem>
#include <string_view>

namespace nvx::platform {

// One running copy of the program per user: an advisory lock on a file named
// after the program in $XDG_RUNTIME_DIR (else the user's config folder). The
// kernel drops the lock when the process ends, so a crash never leaves a stale one.
class InstanceLock {
 public:
  explicit InstanceLock(std::string_view name);
  InstanceLock(std::string_view name, const std::filesystem::path& folder);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another process holds the lock. A lock file that cannot be made
  // at all counts as held by us: the program then runs as if it were alone.
  bool Acquired() const { return acquired_; }
  const std::filesystem::path& File() const { return file_; }

 private:
  void Take();

  std::filesystem::path file_;
  int fd_ = -1;
  bool acquired_ = false;
};

// The folder the lock and its hand-over socket live in.
std::filesystem::path InstanceFolder();

}  // namespace nvx::platform
