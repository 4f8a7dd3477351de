#include "image/decode_child.h"

#include <algorithm>
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
#include "platform/huge_pages.h"

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

// Reads the child's reply into `decoded`, whose memory holds the pixels; keeps
// the mapping made while the child decoded, which must be of the same size.
Status ParseReply(const std::string& reply, ChildDecoded& decoded) {
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
  int width = 0;
  int height = 0;
  in >> width >> height;
  if (word != "ok" || !in || width < 1 || height < 1 ||
      (decoded.pixels && (width != decoded.width || height != decoded.height))) {
    return Fail(Unreadable("Its decoder gave no answer."));
  }
  decoded.width = width;
  decoded.height = height;
  // A renderer adds the page count and the page box.
  if (in >> decoded.pageCount >> decoded.widthPt >> decoded.heightPt) {
    if (decoded.pageCount < 1 || !(decoded.widthPt > 0) || !(decoded.heightPt > 0))
      return Fail(Unreadable("Its renderer gave no page size."));
  }
  if (!decoded.pixels) {
    decoded.pixels = decoded.memory.MapForReading(static_cast<std::size_t>(width) *
                                                  static_cast<std::size_t>(height) * 4);
  }
  if (!decoded.pixels) return Fail(Unreadable("Its decoder gave no pixels."));
  return {};
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
    case DecodeFault::CrashHalfway:
    case DecodeFault::HangHalfway:
      break;
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

// Rows are reported in bands of this many, and the last row, at least.
constexpr int kRowsPerReport = 32;
// The input is given back in steps of at least this many bytes.
constexpr std::size_t kInputRelease = std::size_t{1} << 20;

// The child's reports of its rows; the halfway faults strike after the report.
class RowReporter {
 public:
  explicit RowReporter(DecodeFault fault) : fault_(fault) {}

  void Sized(std::uint8_t* pixels, int width, int height) {
    pixels_ = pixels;
    rowBytes_ = static_cast<std::size_t>(width) * 4;
    height_ = height;
    PrepareAhead(0);
    platform::ReportProgress("size " + std::to_string(width) + " " + std::to_string(height));
  }

  void Done(int rows, std::size_t inputDone) {
    // The file's bytes behind the decoder are given back as it goes.
    if (inputDone >= released_ + kInputRelease) {
      platform::ReleaseChildInput(inputDone);
      released_ = inputDone;
    }
    PrepareAhead(rows);
    const bool halfway =
        (fault_ == DecodeFault::CrashHalfway || fault_ == DecodeFault::HangHalfway) &&
        rows >= height_ / 2;
    if (halfway || rows == height_ || rows - reported_ >= kRowsPerReport) {
      platform::ReportProgress("rows " + std::to_string(rows));
      reported_ = rows;
    }
    if (halfway) {
      Misbehave(fault_ == DecodeFault::CrashHalfway ? DecodeFault::Crash : DecodeFault::Hang);
    }
  }

 private:
  // The rows' pages are made a stretch ahead of the decoder, a few calls for
  // the image instead of a page fault per 4 KiB.
  void PrepareAhead(int rows) {
    const std::size_t end = rowBytes_ * static_cast<std::size_t>(height_);
    const std::size_t written = rowBytes_ * static_cast<std::size_t>(rows);
    if (prepared_ >= end || written + kPrepareAhead / 2 < prepared_) return;
    const std::size_t upTo = std::min(end, written + kPrepareAhead);
    platform::PreparePagesForWriting(pixels_ + prepared_, upTo - prepared_);
    prepared_ = upTo;
  }

  static constexpr std::size_t kPrepareAhead = std::size_t{2} << 20;
  DecodeFault fault_;
  std::uint8_t* pixels_ = nullptr;
  std::size_t rowBytes_ = 0;
  std::size_t prepared_ = 0;
  int height_ = 0;
  int reported_ = 0;
  std::size_t released_ = 0;
};

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
  ChildDecode decode = ChildDecode::Start(format, input, declaredPixels, render);
  if (Status answer = decode.Finish(); !answer) return answer.failure();
  return std::move(decode.Decoded());
}

ChildDecode ChildDecode::Start(ImageFormat format, const platform::SharedMemory& input,
                               std::uint64_t declaredPixels, RenderRequest render) {
  ChildDecode decode;
  Result<platform::SharedMemory> output = platform::SharedMemory::Create();
  if (!output) {
    decode.answer_ = Fail(Unreadable(output.failure().message));
    return decode;
  }
  const DecodeTestHook& hook = TestHook();
  platform::ChildLimits limits;
  limits.time = hook.time.count() > 0 ? hook.time : kDecodeTime;
  const bool vector = IsVector(format);
  limits.extraMemoryBytes =
      vector ? kRenderMemory : kChildBaseMemory + kChildBytesPerPixel * declaredPixels;
  const platform::ChildProgram program{
      platform::HelperProgram(vector ? kRendererProgram : kDecoderProgram),
      DecodeArguments(format, hook.fault, render), &input, &*output};
  decode.child_.emplace(platform::StartChild(program, limits));
  decode.time_ = limits.time;
  decode.decoded_.emplace(ChildDecoded{0, 0, std::move(*output), nullptr});
  return decode;
}

Status ChildDecode::WaitForRows(int rows) {
  while (!answer_) {
    if (decoded_->pixels && rows_ >= std::min(rows, decoded_->height)) return {};
    const std::optional<std::string> line = child_->NextProgress();
    if (!line) {
      End();
      break;
    }
    Note(*line);
  }
  return *answer_;
}

ChildDecoded ChildDecode::TakeDecoded() {
  ChildDecoded& decoded = *decoded_;
  ChildDecoded taken{decoded.width,     decoded.height,  std::move(decoded.memory), decoded.pixels,
                     decoded.pageCount, decoded.widthPt, decoded.heightPt};
  // What the rows and the answer are checked against stays here.
  decoded.width = taken.width;
  decoded.height = taken.height;
  decoded.pixels = taken.pixels;
  return taken;
}

Status ChildDecode::Finish() {
  if (!answer_) End();
  return *answer_;
}

// "size W H" maps the memory once; "rows N" counts rows of mapped memory only.
void ChildDecode::Note(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  in >> word;
  ChildDecoded& decoded = *decoded_;
  if (word == "size" && !decoded.pixels) {
    int width = 0;
    int height = 0;
    if (!(in >> width >> height) || width < 1 || height < 1) return;
    if (!decoded.memory.ForbidShrinking()) return;  // then the pixels come at the end
    decoded.pixels = decoded.memory.MapForReading(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4,
        platform::SharedMemory::Pages::AsRead);
    decoded.width = width;
    decoded.height = height;
  } else if (word == "rows" && decoded.pixels) {
    int rows = 0;
    if (in >> rows) rows_ = std::clamp(rows, rows_, decoded.height);
  }
}

void ChildDecode::End() {
  const platform::ChildEnd& end = child_->Finish();
  if (end.how != platform::ChildEnd::How::Replied) {
    answer_ = ChildFailure(end, time_);
  } else {
    answer_ = ParseReply(end.reply, *decoded_);
  }
  if (*answer_) rows_ = decoded_->height;
}

std::string ServeDecode(std::string_view bytes, const std::vector<std::string>& arguments) {
  const std::optional<long long> format =
      arguments.empty() ? std::nullopt : ParseWholeNumber(arguments[0]);
  const auto fault = static_cast<DecodeFault>(
      arguments.size() > 1 ? ParseWholeNumber(arguments[1]).value_or(0) : 0);
  Misbehave(fault);
  if (!format) return Reply(Fail("FORMAT NOT SUPPORTED"));
  platform::SharedMemory memory = platform::SharedMemory::Adopt(platform::kChildOutputFd);
  RowReporter reporter(fault);
  auto sink = [&](int width, int height) {
    // The print gives rows back as it passes them, while later ones are made.
    std::uint8_t* pixels =
        memory.MapForWriting(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4,
                             platform::SharedMemory::Pages::AsRead);
    if (pixels) reporter.Sized(pixels, width, height);
    return pixels;
  };
  return Reply(
      DecodeImage(static_cast<ImageFormat>(*format), bytes, sink,
                  [&](int rows, std::size_t inputDone) { reporter.Done(rows, inputDone); }));
}

}  // namespace nvx
