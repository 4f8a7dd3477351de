#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "platform/readable_file.h"

namespace nvx::platform {

// Memory a child process fills and its parent reads, without a copy between
// them: an anonymous memory file both map. Created before the child starts.
class SharedMemory {
 public:
  static Result<SharedMemory> Create();
  // The memory file a parent handed to this process as descriptor `fd`.
  static SharedMemory Adopt(int fd) { return SharedMemory(fd); }
  SharedMemory(SharedMemory&& other) noexcept;
  SharedMemory& operator=(SharedMemory&&) = delete;
  SharedMemory(const SharedMemory&) = delete;
  ~SharedMemory();

  int Descriptor() const { return fd_; }
  // Its size now; 0 when that cannot be told.
  std::size_t Size() const;
  // How a mapping's pages join this process: all at once, or as they are
  // first read (or written).
  enum class Pages { Now, AsRead };
  // Sizes the memory to `bytes` and maps it for writing; nullptr when that
  // fails. `Pages::AsRead` for memory that its reader gives back while it is
  // written: its pages are made as the writer reaches them.
  std::uint8_t* MapForWriting(std::size_t bytes, Pages pages = Pages::Now);
  // Maps the first `bytes` that another process wrote, for reading; nullptr
  // when the memory is smaller than that. `Pages::AsRead` for memory still being
  // written: its pages join this process as they are read, not all at once.
  const std::uint8_t* MapForReading(std::size_t bytes, Pages pages = Pages::Now);
  // Makes the memory hold exactly `bytes`, for a child to read.
  bool Fill(std::string_view bytes);
  // Makes the memory hold the file's first `maxBytes` bytes, read straight
  // into it, and returns them (valid while this lives and is not mapped
  // again); nullopt when the file cannot be read. Saves a copy of the file.
  std::optional<std::string_view> FillFromFile(const ReadableFile& file, std::size_t maxBytes);
  // Forbids the memory to shrink from now on, in every process that holds it,
  // so that a mapping of it stays valid whatever another process does; false
  // when that cannot be forbidden.
  bool ForbidShrinking();
  // Gives back the memory pages that lie wholly within the bytes, once no
  // process reads them again (they read as zeros afterwards).
  void ReleasePages(std::size_t offset, std::size_t bytes) const;

 private:
  explicit SharedMemory(int fd) : fd_(fd) {}
  void Unmap();

  int fd_ = -1;
  void* mapping_ = nullptr;
  std::size_t mapped_ = 0;
};

// The memory this process can have at most: the least of its address-space
// limit, its control group's memory limit and the machine's memory and swap.
std::uint64_t MemoryCeiling();

struct ChildLimits {
  // Address space the child may take beyond what it has mapped once its input is in.
  std::uint64_t extraMemoryBytes = std::uint64_t{1} << 30;
  std::chrono::milliseconds time{60'000};
};

// A helper program to run as a child process, and what it is handed.
struct ChildProgram {
  std::filesystem::path path;
  std::vector<std::string> arguments;
  // Its standard input, the bytes to work on; the child may give back what it
  // has read of them (ReleaseChildInput), so the parent reads them no more.
  const SharedMemory* input = nullptr;
  const SharedMemory* output = nullptr;  // its descriptor kChildOutputFd, for its results
};
inline constexpr int kChildOutputFd = 3;
// A pipe on which the child reports its progress, in lines, while it works.
inline constexpr int kChildProgressFd = 4;

// How a child process ended.
struct ChildEnd {
  enum class How { Replied, Crashed, TimedOut, OutOfMemory, Silent, NotStarted };
  How how = How::Silent;
  int signal = 0;     // the signal that ended it, for Crashed
  std::string reply;  // what it sent back, for Replied; why, for NotStarted
};

// A child process that runs while its parent works: the parent reads the lines
// of progress the child reports (ReportProgress) as they come, then its end.
// The time limit counts from the start. The thread that started the child must
// outlive it (the child ends with that thread); a child not finished when this
// goes is killed and waited for.
class RunningChild {
 public:
  RunningChild(RunningChild&& other) noexcept;
  RunningChild& operator=(RunningChild&&) = delete;
  RunningChild(const RunningChild&) = delete;
  ~RunningChild();

  // The next line the child reported, without its newline, waited for under
  // the time limit; nullopt once no more can come: the child closed its side
  // (it ended) or the time is up. Finish then tells how it ended.
  std::optional<std::string> NextProgress();
  // Waits for the child to end under the time limit, dropping any progress it
  // still reports, and tells how it ended; the same answer on every call.
  const ChildEnd& Finish();

 private:
  friend RunningChild StartChild(const ChildProgram& program, const ChildLimits& limits);
  RunningChild() = default;
  bool Pump();
  void CloseChannel(int& fd);

  int pid_ = -1;
  int replyFd_ = -1;
  int progressFd_ = -1;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
  std::string reply_;
  std::string progress_;
  std::optional<ChildEnd> end_;
};

// Starts the program as a new process image (posix_spawn), so nothing of this
// process comes along: no other thread's lock, in the allocator or a library,
// can stay locked in the child. The child applies the memory limit itself
// (ServeAsChild). A crash, a hang or a runaway allocation ends only the child.
// A program that cannot be started ends NotStarted at once.
RunningChild StartChild(const ChildProgram& program, const ChildLimits& limits);
// Starts the program and waits for its reply under the time limit.
ChildEnd RunChild(const ChildProgram& program, const ChildLimits& limits);

// The child's side, the whole of a helper program's main: maps its input,
// applies the limits RunChild passed, runs `work` on the input with the
// program's own arguments and sends back the text it returns. Running out of
// memory (std::bad_alloc) ends it OutOfMemory, any other exception Silent.
using ChildWork =
    std::function<std::string(std::string_view input, const std::vector<std::string>& arguments)>;
[[noreturn]] void ServeAsChild(int argc, char** argv, const ChildWork& work);

// The child's side of the progress: sends `line` (without a newline) to the
// parent. Everything this process wrote to shared memory before the call is
// there for the parent once it has read the line. A parent that has stopped
// listening loses the line; the child goes on.
void ReportProgress(std::string_view line);

// The child's side of its input: gives back the memory of the input's first
// `bytes`, which the child will not read again. Only in a helper served by
// ServeAsChild, whose parent reads its input no more once it has started;
// elsewhere nothing happens.
void ReleaseChildInput(std::size_t bytes);

}  // namespace nvx::platform
