#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/result.h"
#include "image/image_format.h"
#include "platform/child_process.h"

namespace nvx {

// Pixels decoded by a child process: 8-bit RGBA, rows top first, in memory
// shared with it, valid while this lives.
struct ChildDecoded {
  int width = 0;
  int height = 0;
  platform::SharedMemory memory;
  const std::uint8_t* pixels = nullptr;
};

// Decodes in a child process with limits on memory (from the size the header
// declares) and time. A crash, hang or runaway allocation ends only the child
// and comes back as a failure whose message says so.
Result<ChildDecoded> DecodeInChild(ImageFormat format, std::string_view bytes,
                                   std::uint64_t declaredPixels);

// For tests: `inChild` runs in the child before it decodes; a non-zero `time`
// replaces the time limit. An empty hook restores the normal decode.
struct DecodeTestHook {
  std::function<void()> inChild;
  std::chrono::milliseconds time{0};
};
void SetDecodeTestHook(DecodeTestHook hook);

}  // namespace nvx
