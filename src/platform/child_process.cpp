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
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <new>
#include <utility>

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
  // A parent that has stopped listening to the progress does not end the child.
  ::signal(SIGPIPE, SIG_IGN);
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
// output memory on kChildOutputFd, the progress pipe on kChildProgressFd and
// nothing else of ours open. 0 or the error.
int Spawn(const ChildProgram& program, const ChildLimits& limits, int replyFd, int progressFd,
          pid_t& pid) {
  std::vector<std::string> texts = CommandLine(program, limits);
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  // Each source moved above the child's descriptors, so that no copy into
  // place overwrites a source still to be copied.
  std::vector<int> moved;
  auto above = [&](int fd) {
    if (fd > kChildProgressFd) return fd;
    moved.push_back(::fcntl(fd, F_DUPFD_CLOEXEC, kChildProgressFd + 1));
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
  place(progressFd, kChildProgressFd);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, kChildProgressFd + 1);
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

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// How a child that closed its channels ended, from its status.
ChildEnd EndOf(int status) {
  ChildEnd end;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) {
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
  return end;
}

ChildEnd NotStarted(std::string why) {
  ChildEnd end;
  end.how = ChildEnd::How::NotStarted;
  end.reply = std::move(why);
  return end;
}

// Appends what `fd` has to `text`; closes it at its end.
void ReadSome(int& fd, short events, std::string& text) {
  if (fd < 0 || events == 0) return;
  char buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n > 0) {
    text.append(buffer, static_cast<std::size_t>(n));
    return;
  }
  ::close(fd);
  fd = -1;
}

// Progress that never ends a line is no progress; it is dropped past this.
constexpr std::size_t kLongestProgressLine = 4096;

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
  int fd = ::memfd_create(name.c_str(), MFD_CLOEXEC | MFD_ALLOW_SEALING);
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

void SharedMemory::ReleasePages(std::size_t offset, std::size_t bytes) const {
  constexpr std::size_t kPage = 4096;
  const std::size_t begin = (offset + kPage - 1) / kPage * kPage;
  const std::size_t end = (offset + bytes) / kPage * kPage;
  // Merely a saving: memory that cannot be punched out stays until the end.
  if (end > begin) {
    [[maybe_unused]] int ignored =
        ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(begin),
                    static_cast<off_t>(end - begin));
  }
}

bool SharedMemory::ForbidShrinking() { return ::fcntl(fd_, F_ADD_SEALS, F_SEAL_SHRINK) == 0; }

std::uint8_t* SharedMemory::MapForWriting(std::size_t bytes, Pages pages) {
  Unmap();
  if (bytes == 0 || ::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) return nullptr;
  // Populated at once unless asked otherwise: the writer fills every page anyway.
  const int populate = pages == Pages::Now ? MAP_POPULATE : 0;
  void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | populate, fd_, 0);
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
  // The kernel copies the file into the memory three times as fast as a read
  // into a mapping of it, whose pages are first made and cleared.
  Unmap();
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return std::nullopt;
  if (const std::optional<std::size_t> sent = file.SendTo(fd_, size)) {
    // A file that shrank while it was sent: the memory holds what was there.
    if (*sent == 0) return std::string_view();
    const auto* map = reinterpret_cast<const char*>(MapForReading(*sent));
    if (!map) return std::nullopt;
    return std::string_view(map, *sent);
  }
  auto* map = reinterpret_cast<char*>(MapForWriting(size));
  const std::optional<std::size_t> done = map ? file.ReadAt(0, map, size) : std::nullopt;
  if (!done) return std::nullopt;
  // A file that shrank while it was read: the memory holds what was there.
  if (*done < size && ::ftruncate(fd_, static_cast<off_t>(*done)) != 0) return std::nullopt;
  return std::string_view(map, *done);
}

const std::uint8_t* SharedMemory::MapForReading(std::size_t bytes, Pages pages) {
  Unmap();
  struct stat info {};
  if (bytes == 0 || ::fstat(fd_, &info) != 0 || static_cast<std::uint64_t>(info.st_size) < bytes) {
    return nullptr;
  }
  // Complete memory is populated at once: one call instead of a page fault
  // per 4 KiB. Populating memory still being written would make every page
  // the writer has yet to fill, and count it here beside what is held already.
  const int populate = pages == Pages::Now ? MAP_POPULATE : 0;
  void* map = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED | populate, fd_, 0);
  if (map == MAP_FAILED) return nullptr;
  mapping_ = map;
  mapped_ = bytes;
  return static_cast<const std::uint8_t*>(map);
}

RunningChild StartChild(const ChildProgram& program, const ChildLimits& limits) {
  RunningChild child;
  int reply[2];
  int progress[2];
  if (::pipe2(reply, O_CLOEXEC) != 0) {
    child.end_ = NotStarted(std::strerror(errno));
    return child;
  }
  if (::pipe2(progress, O_CLOEXEC) != 0) {
    child.end_ = NotStarted(std::strerror(errno));
    ::close(reply[0]);
    ::close(reply[1]);
    return child;
  }
  child.deadline_ = std::chrono::steady_clock::now() + limits.time;
  pid_t pid = 0;
  const int error = Spawn(program, limits, reply[1], progress[1], pid);
  ::close(reply[1]);
  ::close(progress[1]);
  child.replyFd_ = reply[0];
  child.progressFd_ = progress[0];
  if (error != 0) {
    child.CloseChannel(child.replyFd_);
    child.CloseChannel(child.progressFd_);
    child.end_ = NotStarted(program.path.string() + ": " + std::strerror(error));
    return child;
  }
  child.pid_ = pid;
  return child;
}

RunningChild::RunningChild(RunningChild&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      replyFd_(std::exchange(other.replyFd_, -1)),
      progressFd_(std::exchange(other.progressFd_, -1)),
      deadline_(other.deadline_),
      timedOut_(other.timedOut_),
      reply_(std::move(other.reply_)),
      progress_(std::move(other.progress_)),
      end_(std::move(other.end_)) {}

RunningChild::~RunningChild() {
  CloseChannel(replyFd_);
  CloseChannel(progressFd_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    WaitFor(pid_);
  }
}

void RunningChild::CloseChannel(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Reads what the child sent on either channel, after waiting under the time
// limit for something to come; false when the time is up.
bool RunningChild::Pump() {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline_ - std::chrono::steady_clock::now());
  if (left.count() <= 0) return false;
  pollfd waits[2] = {{replyFd_, POLLIN, 0}, {progressFd_, POLLIN, 0}};  // a closed one is skipped
  const int ready = ::poll(waits, 2, static_cast<int>(left.count()));
  if (ready < 0 && errno == EINTR) return true;
  if (ready == 0) return false;
  if (ready < 0) {
    CloseChannel(replyFd_);
    CloseChannel(progressFd_);
    return true;
  }
  ReadSome(replyFd_, waits[0].revents, reply_);
  ReadSome(progressFd_, waits[1].revents, progress_);
  return true;
}

std::optional<std::string> RunningChild::NextProgress() {
  while (true) {
    if (const std::size_t newline = progress_.find('\n'); newline != std::string::npos) {
      std::string line = progress_.substr(0, newline);
      progress_.erase(0, newline + 1);
      // The child wrote its shared memory, then the line (ReportProgress): the
      // pipe's write and read, system calls that lock the pipe in the kernel,
      // order those stores before the loads that follow here on the processor;
      // this fence keeps the compiler from moving them above it. (A thread
      // fence would say the same, but the thread sanitizer, which cannot see
      // across processes anyway, refuses to build one.)
      std::atomic_signal_fence(std::memory_order_acquire);
      return line;
    }
    if (progress_.size() > kLongestProgressLine) progress_.clear();
    if (end_ || timedOut_ || progressFd_ < 0) return std::nullopt;
    if (!Pump()) timedOut_ = true;
  }
}

const ChildEnd& RunningChild::Finish() {
  if (end_) return *end_;
  while (!timedOut_ && (replyFd_ >= 0 || progressFd_ >= 0)) {
    if (!Pump()) timedOut_ = true;
    progress_.clear();
  }
  CloseChannel(replyFd_);
  CloseChannel(progressFd_);
  if (timedOut_) ::kill(pid_, SIGKILL);
  const int status = WaitFor(std::exchange(pid_, -1));
  if (timedOut_) {
    end_ = ChildEnd{ChildEnd::How::TimedOut, 0, {}};
  } else {
    end_ = EndOf(status);
  }
  if (end_->how == ChildEnd::How::Replied) end_->reply = std::move(reply_);
  return *end_;
}

ChildEnd RunChild(const ChildProgram& program, const ChildLimits& limits) {
  return StartChild(program, limits).Finish();
}

// The child ends with its parent: nobody waits for its answer any more. A
// parent that ended before the request took hold has already handed the child
// to another process. The signal follows the thread that started the child,
// which RunChild keeps waiting until the child has ended.
bool EndWithParent(long long parent) {
  return ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && ::getppid() == parent;
}

namespace {
const SharedMemory* servedInput = nullptr;  // the helper's input, while it serves
}  // namespace

void ReleaseChildInput(std::size_t bytes) {
  if (servedInput) servedInput->ReleasePages(0, bytes);
}

void ServeAsChild(int argc, char** argv, const ChildWork& work) {
  const bool started = argc > 3;
  const long long memory = started ? ParseWholeNumber(argv[1]).value_or(-1) : -1;
  const long long seconds = started ? ParseWholeNumber(argv[2]).value_or(-1) : -1;
  if (started && !EndWithParent(ParseWholeNumber(argv[3]).value_or(-1))) ::_exit(1);
  SharedMemory inputMemory = SharedMemory::Adopt(STDIN_FILENO);
  const std::size_t size = inputMemory.Size();
  const std::uint8_t* input = size > 0 ? inputMemory.MapForReading(size) : nullptr;
  // A helper started without a progress pipe reports into nothing.
  struct stat progress {};
  if (::fstat(kChildProgressFd, &progress) != 0 || !S_ISFIFO(progress.st_mode)) {
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0 && nothing != kChildProgressFd) {
      ::dup2(nothing, kChildProgressFd);
      ::close(nothing);
    }
  }
  // Replies go through a descriptor of their own: whatever a library prints
  // goes to the standard error beside the parent's messages, not into the reply.
  const int reply = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, kChildProgressFd + 1);
  if (memory < 0 || seconds < 0 || reply < 0 || (size > 0 && !input)) {
    std::fprintf(stderr, "%s: a helper of nvxprint, started by it only\n", argv[0]);
    ::_exit(2);
  }
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  ApplyLimits(static_cast<std::uint64_t>(memory), static_cast<std::uint64_t>(seconds));
  const std::vector<std::string> arguments(argv + 4, argv + argc);
  if (size > 0) servedInput = &inputMemory;
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

void ReportProgress(std::string_view line) {
  // The shared memory's stores stay before the pipe's write, a system call the
  // processor does not start early; the parent's fence after the read is the
  // other half (RunningChild::NextProgress).
  std::atomic_signal_fence(std::memory_order_release);
  WriteAll(kChildProgressFd, std::string(line) + "\n");
}

}  // namespace nvx::platform
