#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/result.h"

namespace nvx::platform {

// Memory a child process fills and its parent reads, without a copy between
// them: an anonymous memory file both map. Created before the child starts.
class SharedMemory {
 public:
  static Result<SharedMemory> Create();
  SharedMemory(SharedMemory&& other) noexcept;
  SharedMemory& operator=(SharedMemory&&) = delete;
  SharedMemory(const SharedMemory&) = delete;
  ~SharedMemory();

  // Sizes the memory to `bytes` and maps it for writing; nullptr when that fails.
  std::uint8_t* MapForWriting(std::size_t bytes);
  // Maps the first `bytes` that another process wrote, for reading; nullptr
  // when the memory is smaller than that.
  const std::uint8_t* MapForReading(std::size_t bytes);

 private:
  explicit SharedMemory(int fd) : fd_(fd) {}
  void Unmap();

  int fd_ = -1;
  void* mapping_ = nullptr;
  std::size_t mapped_ = 0;
};

struct ChildLimits {
  // Address space the child may take beyond what it shares with its parent at the start.
  std::uint64_t extraMemoryBytes = std::uint64_t{1} << 30;
  std::chrono::milliseconds time{60'000};
};

// How a child process ended.
struct ChildEnd {
  enum class How { Replied, Crashed, TimedOut, OutOfMemory, Silent };
  How how = How::Silent;
  int signal = 0;     // the signal that ended it, for Crashed
  std::string reply;  // what `work` returned, for Replied
};

// Runs `work` in a child process under the limits, so whatever goes wrong in
// it (a crash, a hang, a runaway allocation) ends only the child. The child
// sends back the text `work` returns; running out of memory (std::bad_alloc)
// ends it OutOfMemory, any other exception or exit Silent. Only this thread
// runs in the child.
ChildEnd RunInChild(const ChildLimits& limits, const std::function<std::string()>& work);

}  // namespace nvx::platform
