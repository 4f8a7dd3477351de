#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <new>

#include "base/product.h"
#include "base/text.h"

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

// The memory limit of this process's control group (version 2); none when
// there is no limit or no such group.
std::optional<std::uint64_t> GroupMemoryLimit() {
  std::ifstream groups("/proc/self/cgroup");
  std::string line;
  while (std::getline(groups, line)) {
    if (!line.starts_with("0::")) continue;
    std::ifstream limit("/sys/fs/cgroup" + line.substr(3) + "/memory.max");
    unsigned long long bytes = 0;
    if (limit >> bytes) return bytes;
  }
  return std::nullopt;
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

// The child's side of the limits: the memory beyond what it has mapped once
// its input is in, processor time as a second stop for a hang.
void ApplyLimits(std::uint64_t extraMemoryBytes, std::uint64_t seconds) {
  SetLimit(RLIMIT_CORE, 0);  // a crash leaves no core file behind
  SetLimit(RLIMIT_AS, MappedBytes() + extraMemoryBytes);
  SetLimit(RLIMIT_CPU, seconds);
  // A fault ends the child by its signal, which the parent reports, even where
  // a sanitizer or a library has put in a handler of its own.
  for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) ::signal(fault, SIG_DFL);
}

// The program's command line: the limits and this process's id lead its own
// arguments.
std::vector<std::string> CommandLine(const ChildProgram& program, const ChildLimits& limits) {
  // The parent's clock ends a hang; the processor limit also ends one that the
  // parent cannot wait for.
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits.time).count() + 1;
  std::vector<std::string> texts{program.path.string(), std::to_string(limits.extraMemoryBytes),
                                 std::to_string(seconds), std::to_string(::getpid())};
  texts.insert(texts.end(), program.arguments.begin(), program.arguments.end());
  return texts;
}

// Starts the program with its input on descriptor 0, the reply pipe on 1, the
// output memory on kChildOutputFd and nothing else of ours open. 0 or the error.
int Spawn(const ChildProgram& program, const ChildLimits& limits, int replyFd, pid_t& pid) {
  std::vector<std::string> texts = CommandLine(program, limits);
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  // Each source moved above the child's descriptors, so that no copy into
  // place overwrites a source still to be copied.
  std::vector<int> moved;
  auto above = [&](int fd) {
    if (fd > kChildOutputFd) return fd;
    moved.push_back(::fcntl(fd, F_DUPFD_CLOEXEC, kChildOutputFd + 1));
    return moved.back();
  };
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  int error = 0;
  auto place = [&](int fd, int target) {
    if (error == 0) error = ::posix_spawn_file_actions_adddup2(&actions, above(fd), target);
  };
  if (program.input) place(program.input->Descriptor(), 0);
  place(replyFd, 1);
  if (program.output) place(program.output->Descriptor(), kChildOutputFd);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, kChildOutputFd + 1);
  // Whatever this thread blocks or ignores, the child starts with the defaults.
  sigset_t signals;
  ::sigemptyset(&signals);
  ::posix_spawnattr_setsigmask(&attributes, &signals);
  ::sigfillset(&signals);
  ::posix_spawnattr_setsigdefault(&attributes, &signals);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  if (error == 0) error = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  for (int fd : moved) ::close(fd);
  return error;
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

std::uint64_t MemoryCeiling() {
  struct sysinfo machine {};
  std::uint64_t ceiling = std::numeric_limits<std::uint64_t>::max();
  if (::sysinfo(&machine) == 0) {
    ceiling = (std::uint64_t{machine.totalram} + machine.totalswap) * machine.mem_unit;
  }
  rlimit space{};
  if (::getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) {
    ceiling = std::min<std::uint64_t>(ceiling, space.rlim_cur);
  }
  return std::min(ceiling, GroupMemoryLimit().value_or(ceiling));
}

Result<SharedMemory> SharedMemory::Create() {
  const std::string name = std::string(kCommandName) + "-shared";
  int fd = ::memfd_create(name.c_str(), MFD_CLOEXEC);
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

std::size_t SharedMemory::Size() const {
  struct stat info {};
  return ::fstat(fd_, &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

bool SharedMemory::Fill(std::string_view bytes) {
  if (bytes.empty()) return ::ftruncate(fd_, 0) == 0;
  std::uint8_t* map = MapForWriting(bytes.size());
  if (!map) return false;
  std::memcpy(map, bytes.data(), bytes.size());
  Unmap();
  return true;
}

std::optional<std::string_view> SharedMemory::FillFromFile(const ReadableFile& file,
                                                           std::size_t maxBytes) {
  const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), maxBytes));
  if (size == 0) {
    if (!Fill({})) return std::nullopt;
    return std::string_view();
  }
  auto* map = reinterpret_cast<char*>(MapForWriting(size));
  const std::optional<std::size_t> done = map ? file.ReadAt(0, map, size) : std::nullopt;
  if (!done) return std::nullopt;
  // A file that shrank while it was read: the memory holds what was there.
  if (*done < size && ::ftruncate(fd_, static_cast<off_t>(*done)) != 0) return std::nullopt;
  return std::string_view(map, *done);
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

ChildEnd RunChild(const ChildProgram& program, const ChildLimits& limits) {
  ChildEnd end;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    end.how = ChildEnd::How::NotStarted;
    end.reply = std::strerror(errno);
    return end;
  }
  const auto deadline = std::chrono::steady_clock::now() + limits.time;
  pid_t pid = 0;
  const int error = Spawn(program, limits, pipeFds[1], pid);
  ::close(pipeFds[1]);
  if (error != 0) {
    ::close(pipeFds[0]);
    end.how = ChildEnd::How::NotStarted;
    end.reply = program.path.string() + ": " + std::strerror(error);
    return end;
  }
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

// The child ends with its parent: nobody waits for its answer any more. A
// parent that ended before the request took hold has already handed the child
// to another process. The signal follows the thread that started the child,
// which RunChild keeps waiting until the child has ended.
bool EndWithParent(long long parent) {
  return ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && ::getppid() == parent;
}

void ServeAsChild(int argc, char** argv, const ChildWork& work) {
  const bool started = argc > 3;
  const long long memory = started ? ParseWholeNumber(argv[1]).value_or(-1) : -1;
  const long long seconds = started ? ParseWholeNumber(argv[2]).value_or(-1) : -1;
  if (started && !EndWithParent(ParseWholeNumber(argv[3]).value_or(-1))) ::_exit(1);
  SharedMemory inputMemory = SharedMemory::Adopt(STDIN_FILENO);
  const std::size_t size = inputMemory.Size();
  const std::uint8_t* input = size > 0 ? inputMemory.MapForReading(size) : nullptr;
  // Replies go through a descriptor of their own: whatever a library prints
  // goes to the standard error beside the parent's messages, not into the reply.
  const int reply = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, kChildOutputFd + 1);
  if (memory < 0 || seconds < 0 || reply < 0 || (size > 0 && !input)) {
    std::fprintf(stderr, "%s: a helper of nvxprint, started by it only\n", argv[0]);
    ::_exit(2);
  }
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  ApplyLimits(static_cast<std::uint64_t>(memory), static_cast<std::uint64_t>(seconds));
  const std::vector<std::string> arguments(argv + 4, argv + argc);
  int status = 1;
  try {
    status = WriteAll(reply, work({reinterpret_cast<const char*>(input), size}, arguments)) ? 0 : 1;
  } catch (const std::bad_alloc&) {
    status = kOutOfMemoryStatus;
  } catch (...) {
    status = 1;
  }
  // The process ends here, its memory with it: no clean-up or leak check to wait for.
  ::_exit(status);
}

}  // namespace nvx::platform
