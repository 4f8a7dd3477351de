#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace nvx::platform {
namespace {

constexpr int kOutOfMemoryStatus = 3;

// Address space the process has mapped now, from /proc/self/statm.
std::uint64_t MappedBytes() {
  unsigned long long pages = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

void SetLimit(int resource, std::uint64_t value) {
  rlimit limit{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
  ::setrlimit(resource, &limit);
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

[[noreturn]] void RunChild(const ChildLimits& limits, const std::function<std::string()>& work,
                           int replyFd) {
  SetLimit(RLIMIT_CORE, 0);  // a crash leaves no core file behind
  SetLimit(RLIMIT_AS, MappedBytes() + limits.extraMemoryBytes);
  // The parent's clock ends a hang; this also ends one that the parent cannot wait for.
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits.time).count() + 1;
  SetLimit(RLIMIT_CPU, static_cast<std::uint64_t>(seconds));
  // A fault ends the child by its signal, which the parent reports, even where
  // a sanitizer or a library has put in a handler of its own.
  for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) ::signal(fault, SIG_DFL);
  int status = 1;
  try {
    status = WriteAll(replyFd, work()) ? 0 : 1;
  } catch (const std::bad_alloc&) {
    status = kOutOfMemoryStatus;
  } catch (...) {
    status = 1;
  }
  // _exit: the parent's buffers and exit handlers are the parent's alone.
  ::_exit(status);
}

// Reads what the child sends until it closes the pipe or the time is up.
bool ReadReply(int fd, std::chrono::steady_clock::time_point deadline, std::string& reply) {
  char buffer[4096];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd wait{fd, POLLIN, 0};
    int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return false;
    if (ready < 0) return true;
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace

Result<SharedMemory> SharedMemory::Create() {
  int fd = ::memfd_create("nvxprint-shared", MFD_CLOEXEC);
  if (fd < 0) return Fail(std::string("no shared memory: ") + std::strerror(errno));
  return SharedMemory(fd);
}

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : fd_(other.fd_), mapping_(other.mapping_), mapped_(other.mapped_) {
  other.fd_ = -1;
  other.mapping_ = nullptr;
  other.mapped_ = 0;
}

SharedMemory::~SharedMemory() {
  Unmap();
  if (fd_ >= 0) ::close(fd_);
}

void SharedMemory::Unmap() {
  if (mapping_) ::munmap(mapping_, mapped_);
  mapping_ = nullptr;
  mapped_ = 0;
}

std::uint8_t* SharedMemory::MapForWriting(std::size_t bytes) {
  Unmap();
  if (bytes == 0 || ::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) return nullptr;
  // Populated at once too: the writer fills every page anyway.
  void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd_, 0);
  if (map == MAP_FAILED) return nullptr;
  mapping_ = map;
  mapped_ = bytes;
  return static_cast<std::uint8_t*>(map);
}

const std::uint8_t* SharedMemory::MapForReading(std::size_t bytes) {
  Unmap();
  struct stat info {};
  if (bytes == 0 || ::fstat(fd_, &info) != 0 || static_cast<std::uint64_t>(info.st_size) < bytes) {
    return nullptr;
  }
  // Populated at once: one call instead of a page fault per 4 KiB.
  void* map = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED | MAP_POPULATE, fd_, 0);
  if (map == MAP_FAILED) return nullptr;
  mapping_ = map;
  mapped_ = bytes;
  return static_cast<const std::uint8_t*>(map);
}

ChildEnd RunInChild(const ChildLimits& limits, const std::function<std::string()>& work) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  const auto deadline = std::chrono::steady_clock::now() + limits.time;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return {};
  }
  if (pid == 0) {
    ::close(pipeFds[0]);
    RunChild(limits, work, pipeFds[1]);
  }
  ::close(pipeFds[1]);
  ChildEnd end;
  const bool finished = ReadReply(pipeFds[0], deadline, end.reply);
  ::close(pipeFds[0]);
  if (!finished) ::kill(pid, SIGKILL);
  const int status = WaitFor(pid);
  if (!finished || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)) {
    end.how = ChildEnd::How::TimedOut;
  } else if (WIFSIGNALED(status)) {
    end.how = ChildEnd::How::Crashed;
    end.signal = WTERMSIG(status);
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    end.how = ChildEnd::How::Replied;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryStatus) {
    end.how = ChildEnd::How::OutOfMemory;
  } else {
    end.how = ChildEnd::How::Silent;
  }
  if (end.how != ChildEnd::How::Replied) end.reply.clear();
  return end;
}

}  // namespace nvx::platform
