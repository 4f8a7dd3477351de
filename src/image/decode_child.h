#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
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

// A decode under way in a child process, whose rows (top first) the parent can
// take while the child decodes the rest. Decoders that make rows in order (PNG
// without interlacing, JPEG, TIFF strips and tiles) hand them over as they go,
// the others all at the end. The limits, and the failures and their messages,
// are DecodeInChild's; a child that stops half-way ends every wait with its
// failure, at the latest when its time is up. The thread that starts the
// decode must outlive it (platform::RunningChild); a decode dropped before its
// end ends its child.
//
// The hand-over: once the child has sized its memory it reports "size W H" on
// its progress pipe, then "rows N" whenever the first N rows are complete, and
// replies at its end as always. On "size" the parent forbids the memory to
// shrink (a child that shrank it would fault the parent's reads) and maps it.
// A row counted is never written again; the pipe orders the child's writes of
// its pixels before the parent's reads (platform::ReportProgress).
class ChildDecode {
 public:
  static ChildDecode Start(ImageFormat format, const platform::SharedMemory& input,
                           std::uint64_t declaredPixels, RenderRequest render = {});

  // Waits until the image's size is known and its first `rows` rows (at most
  // its height) are complete: Decoded() then has them. A failure when the
  // decode failed first; the same failure on every later call.
  Status WaitForRows(int rows);
  // Waits for the decoder's answer: success once the whole image is there.
  Status Finish();
  // The image as far as decoded; size and pixels once a wait succeeded.
  ChildDecoded& Decoded() { return *decoded_; }
  // Hands the pixels' memory over once the size is known (a wait succeeded):
  // the decode goes on counting rows into it, and the memory must outlive
  // the waits that follow.
  ChildDecoded TakeDecoded();

 private:
  ChildDecode() = default;
  void Note(const std::string& line);
  void End();

  std::optional<platform::RunningChild> child_;
  std::chrono::milliseconds time_{0};
  std::optional<ChildDecoded> decoded_;
  int rows_ = 0;
  std::optional<Status> answer_;
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

// For tests: the child does `fault` instead of decoding, or, for the halfway
// ones, once it has handed over half its rows; a non-zero `time` replaces the
// time limit. An empty hook restores the normal decode.
enum class DecodeFault { None, Crash, Abort, Hang, RunawayAllocation, CrashHalfway, HangHalfway };
struct DecodeTestHook {
  DecodeFault fault = DecodeFault::None;
  std::chrono::milliseconds time{0};
};
void SetDecodeTestHook(DecodeTestHook hook);

}  // namespace nvx
