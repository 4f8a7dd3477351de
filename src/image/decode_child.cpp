#include "image/decode_child.h"

#include <cstring>
#include <sstream>
#include <string>

#include "image/decode.h"
#include "image/intake.h"

namespace nvx {
namespace {

// Room for the decoders' own buffers: DevIL holds the decoded image (up to 8
// bytes a pixel for 16-bit RGBA) and its conversion, beside our 4 bytes a pixel.
constexpr std::uint64_t kChildBaseMemory = std::uint64_t{512} << 20;
constexpr std::uint64_t kChildBytesPerPixel = 24;
constexpr std::chrono::milliseconds kDecodeTime{60'000};
constexpr std::string_view kTooMuchMemory =
    "Its decoder needed more memory than an image of its size can take.";

DecodeTestHook& TestHook() {
  static DecodeTestHook hook;
  return hook;
}

// The child's answer: "ok WIDTH HEIGHT" or "fail KIND MESSAGE".
std::string Reply(const Result<DecodedImage>& decoded) {
  if (decoded) {
    return "ok " + std::to_string(decoded->width) + " " + std::to_string(decoded->height);
  }
  return "fail " + std::to_string(static_cast<int>(decoded.failure().kind)) + " " +
         decoded.failure().message;
}

std::string Unreadable(std::string_view reason) {
  return std::string(kUnreadableImageText) + " " + std::string(reason);
}

Failure ChildFailure(const platform::ChildEnd& end, std::chrono::milliseconds time) {
  using How = platform::ChildEnd::How;
  switch (end.how) {
    case How::Crashed:
      return Fail(Unreadable("Its decoder failed on the file's content (signal " +
                             std::to_string(end.signal) + ", " + strsignal(end.signal) + ")."));
    case How::TimedOut:
      return Fail(Unreadable("Decoding took longer than " +
                             std::to_string(std::chrono::ceil<std::chrono::seconds>(time).count()) +
                             " seconds."));
    case How::OutOfMemory:
      return Fail(Unreadable(kTooMuchMemory));
    default:
      return Fail(Unreadable("Its decoder stopped without an answer."));
  }
}

Result<ChildDecoded> ParseReply(const std::string& reply, platform::SharedMemory memory) {
  std::istringstream in(reply);
  std::string word;
  in >> word;
  if (word == "fail") {
    int kind = 0;
    in >> kind;
    in.get();
    std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (static_cast<Failure::Kind>(kind) == Failure::Kind::OutOfMemory) {
      return Fail(Unreadable(kTooMuchMemory));
    }
    return Fail(message);
  }
  ChildDecoded decoded{0, 0, std::move(memory), nullptr};
  in >> decoded.width >> decoded.height;
  if (word != "ok" || !in || decoded.width < 1 || decoded.height < 1) {
    return Fail(Unreadable("Its decoder gave no answer."));
  }
  decoded.pixels = decoded.memory.MapForReading(static_cast<std::size_t>(decoded.width) *
                                                static_cast<std::size_t>(decoded.height) * 4);
  if (!decoded.pixels) return Fail(Unreadable("Its decoder gave no pixels."));
  return decoded;
}

}  // namespace

void SetDecodeTestHook(DecodeTestHook hook) { TestHook() = std::move(hook); }

Result<ChildDecoded> DecodeInChild(ImageFormat format, std::string_view bytes,
                                   std::uint64_t declaredPixels) {
  Result<platform::SharedMemory> memory = platform::SharedMemory::Create();
  if (!memory) return Fail(Unreadable(memory.failure().message));
  const DecodeTestHook& hook = TestHook();
  platform::ChildLimits limits;
  limits.time = hook.time.count() > 0 ? hook.time : kDecodeTime;
  limits.extraMemoryBytes = kChildBaseMemory + kChildBytesPerPixel * declaredPixels;
  platform::ChildEnd end = platform::RunInChild(limits, [&] {
    if (hook.inChild) hook.inChild();
    return Reply(DecodeImage(format, bytes, [&](int width, int height) {
      return memory->MapForWriting(static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height) * 4);
    }));
  });
  if (end.how != platform::ChildEnd::How::Replied) return ChildFailure(end, limits.time);
  return ParseReply(end.reply, std::move(*memory));
}

}  // namespace nvx
