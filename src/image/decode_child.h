#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
  // Vector artwork only: the document's pages and the page box in points.
  int pageCount = 1;
  double widthPt = 0;
  double heightPt = 0;
};

// The helper programs that decode images and render vector artwork, installed
// beside nvxprint.
inline constexpr std::string_view kDecoderProgram = "nvxprint-decode";
inline constexpr std::string_view kRendererProgram = "nvxprint-render";

// Decodes in a child process, the helper program, with limits on memory (from
// the size the header declares) and time. A crash, hang or runaway allocation
// ends only the child and comes back as a failure whose message says so.
Result<ChildDecoded> DecodeInChild(ImageFormat format, std::string_view bytes,
                                   std::uint64_t declaredPixels);
// The same for bytes already in shared memory (SharedMemory::FillFromFile).
// Vector artwork is rendered as `render` says; a page whose box needs more
// than kMaxImagePixels comes back as an OutOfMemory failure, before rendering.
Result<ChildDecoded> DecodeInChild(ImageFormat format, const platform::SharedMemory& input,
                                   std::uint64_t declaredPixels, RenderRequest render = {});

// The helper program's work: decodes `bytes` as its arguments say into the
// memory on kChildOutputFd and returns the reply for DecodeInChild.
std::string ServeDecode(std::string_view bytes, const std::vector<std::string>& arguments);

// For tests: the child does `fault` instead of decoding; a non-zero `time`
// replaces the time limit. An empty hook restores the normal decode.
enum class DecodeFault { None, Crash, Abort, Hang, RunawayAllocation };
struct DecodeTestHook {
  DecodeFault fault = DecodeFault::None;
  std::chrono::milliseconds time{0};
};
void SetDecodeTestHook(DecodeTestHook hook);

}  // namespace nvx
