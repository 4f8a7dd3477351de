#include "image/decode_child.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>

#include "base/text.h"
#include "image/decode.h"
#include "image/intake.h"
#include "platform/folders.h"

namespace nvx {
namespace {

// Room for the decoders' own buffers: DevIL holds the decoded image (up to 8
// bytes a pixel for 16-bit RGBA) and its conversion, beside our 4 bytes a pixel.
constexpr std::uint64_t kChildBaseMemory = std::uint64_t{512} << 20;
constexpr std::uint64_t kChildBytesPerPixel = 24;
// A vector page is drawn straight into the shared output, 4 bytes a pixel, and
// its size is known only inside the child, which refuses a box beyond the limit.
constexpr std::uint64_t kRenderMemory = kChildBaseMemory + 5 * kMaxImagePixels;
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
    case How::NotStarted:
      return Fail(Unreadable("Its decoder could not be started (" + end.reply + ")."));
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
      if (message == kPageTooLargeText) return OutOfMemory(message);
      return Fail(Unreadable(kTooMuchMemory));
    }
    return Fail(message);
  }
  ChildDecoded decoded{0, 0, std::move(memory), nullptr};
  in >> decoded.width >> decoded.height;
  if (word != "ok" || !in || decoded.width < 1 || decoded.height < 1) {
    return Fail(Unreadable("Its decoder gave no answer."));
  }
  // A renderer adds the page count and the page box.
  if (in >> decoded.pageCount >> decoded.widthPt >> decoded.heightPt) {
    if (decoded.pageCount < 1 || !(decoded.widthPt > 0) || !(decoded.heightPt > 0))
      return Fail(Unreadable("Its renderer gave no page size."));
  }
  decoded.pixels = decoded.memory.MapForReading(static_cast<std::size_t>(decoded.width) *
                                                static_cast<std::size_t>(decoded.height) * 4);
  if (!decoded.pixels) return Fail(Unreadable("Its decoder gave no pixels."));
  return decoded;
}

// The helper's arguments: the format, and the test hook's fault when one is
// set; for vector artwork always the fault, then the resolution and the page.
std::vector<std::string> DecodeArguments(ImageFormat format, DecodeFault fault,
                                         RenderRequest render) {
  std::vector<std::string> arguments{std::to_string(static_cast<int>(format))};
  if (fault != DecodeFault::None || IsVector(format))
    arguments.push_back(std::to_string(static_cast<int>(fault)));
  if (IsVector(format)) {
    arguments.push_back(std::to_string(render.dpi));
    arguments.push_back(std::to_string(render.page));
  }
  return arguments;
}

// What the tests ask the child to do instead of decoding.
void Misbehave(DecodeFault fault) {
  switch (fault) {
    case DecodeFault::Crash:
      std::raise(SIGSEGV);
      break;
    case DecodeFault::Abort:
      std::abort();
    case DecodeFault::Hang:
      while (true) std::this_thread::sleep_for(std::chrono::seconds(1));
    case DecodeFault::RunawayAllocation: {
      std::vector<std::vector<char>> hoard;
      while (true) hoard.emplace_back(std::size_t{1} << 30, 'x');
    }
    case DecodeFault::None:
      break;
  }
}

}  // namespace

void SetDecodeTestHook(DecodeTestHook hook) { TestHook() = std::move(hook); }

Result<ChildDecoded> DecodeInChild(ImageFormat format, std::string_view bytes,
                                   std::uint64_t declaredPixels) {
  Result<platform::SharedMemory> input = platform::SharedMemory::Create();
  if (!input) return Fail(Unreadable(input.failure().message));
  if (!input->Fill(bytes)) return Fail(Unreadable("There is no memory to hand it to its decoder."));
  return DecodeInChild(format, *input, declaredPixels);
}

Result<ChildDecoded> DecodeInChild(ImageFormat format, const platform::SharedMemory& input,
                                   std::uint64_t declaredPixels, RenderRequest render) {
  Result<platform::SharedMemory> output = platform::SharedMemory::Create();
  if (!output) return Fail(Unreadable(output.failure().message));
  const DecodeTestHook& hook = TestHook();
  platform::ChildLimits limits;
  limits.time = hook.time.count() > 0 ? hook.time : kDecodeTime;
  const bool vector = IsVector(format);
  limits.extraMemoryBytes =
      vector ? kRenderMemory : kChildBaseMemory + kChildBytesPerPixel * declaredPixels;
  const platform::ChildProgram program{
      platform::HelperProgram(vector ? kRendererProgram : kDecoderProgram),
      DecodeArguments(format, hook.fault, render), &input, &*output};
  platform::ChildEnd end = platform::RunChild(program, limits);
  if (end.how != platform::ChildEnd::How::Replied) return ChildFailure(end, limits.time);
  return ParseReply(end.reply, std::move(*output));
}

std::string ServeDecode(std::string_view bytes, const std::vector<std::string>& arguments) {
  const std::optional<long long> format =
      arguments.empty() ? std::nullopt : ParseWholeNumber(arguments[0]);
  if (arguments.size() > 1)
    Misbehave(static_cast<DecodeFault>(ParseWholeNumber(arguments[1]).value_or(0)));
  if (!format) return Reply(Fail("FORMAT NOT SUPPORTED"));
  platform::SharedMemory memory = platform::SharedMemory::Adopt(platform::kChildOutputFd);
  return Reply(DecodeImage(static_cast<ImageFormat>(*format), bytes, [&](int width, int height) {
    return memory.MapForWriting(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                4);
  }));
}

}  // namespace nvx
