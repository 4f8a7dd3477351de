#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/folders.h"

namespace nvx::platform {

std::filesystem::path InstanceFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && std::filesystem::is_directory(runtime)) return runtime;
  return UserDataFolder();
}

InstanceLock::InstanceLock(std::string_view name) : InstanceLock(name, InstanceFolder()) {}

InstanceLock::InstanceLock(std::string_view name, const std::filesystem::path& folder)
    : file_(folder / (std::string(name) + ".lock")) {
  Take();
}

void InstanceLock::Take() {
  fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    acquired_ = true;  // as on a system without the named object: carry on alone
    return;
  }
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  acquired_ = rc == 0 || errno != EWOULDBLOCK;
  if (rc != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock; the file stays for the next run
}

}  // namespace nvx::platform
