#include "postscript/job_writer.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/product.h"
#include "lang/text_entries.h"
#include "platform/spool_bytes.h"
#include "postscript/features.h"
#include "postscript/job_sections.h"
#include "postscript/job_text.h"
#include "postscript/number_text.h"
#include "postscript/run_length.h"
#include "settings/numbers.h"

namespace nvx {
namespace {

// The window's caption puts the product's title and this before the image's name.
constexpr std::string_view kCaptionSeparator = " - ";
// The page origin lies 13 points in from the left and top edges; the image
// position is measured from there.
constexpr int kOriginInset = 13;
constexpr int kBlankSide = 20;
constexpr int kPlanes = 5;

enum class JobKind { Print, Blank };

// The job's trailer begins with the line break that ends the raw image data.
void WriteTrailerText(std::string& out) {
  Lines(out, {"",
              "grestore end % Image Trailer grestore",
              "grestore % Print PostScript grestore",
              "",
              "%%EndDocument",
              "",
              "Pscript_WinNT_Compat dup /suspend get exec",
              "Pscript_WinNT_Incr dup /resume get exec",
              "LH",
              "(%%[Page: 1]%%) = ",
              "%%PageTrailer",
              "",
              "%%Trailer",
              "%%DocumentNeededResources: ",
              "%%DocumentSuppliedResources: ",
              "%%+ procset Pscript_WinNT_VMErrorHandler 5.0 0",
              "%%+ procset Pscript_FatalError 5.0 0",
              "%%+ procset Pscript_Win_Basic 5.0 0",
              "%%+ procset Pscript_Win_Utils_L2 5.0 0",
              "%%+ procset Pscript_WinNT_Compat 5.0 0",
              "Pscript_WinNT_Incr dup /terminate get exec",
              "ehsave restore",
              "(%%[LastPage]%%) = ",
              "%%EOF"});
  // Two PJL universal exits and the end-of-job command close the printer job.
  out.append("\x1b%-12345X\x1b%-12345X@PJL EOJ");
  out.append(kLineEnd);
}

int CorrectCopies(LiveSettings& live) {
  live.copies = std::clamp(live.copies, kMinCopies, kMaxCopies);
  return live.copies;
}

// The values every job takes from the paper, tray, output and media choices.
JobValues FeatureValues(const JobEnvironment& env, const LiveSettings& live, JobKind kind) {
  JobValues values;
  values.creationDate = env.creationDate.empty() ? CreationDateNow() : env.creationDate;
  values.paper = BuildPaperFeatures(
      live.paperName, live.paperWidthPt, live.paperHeightPt,
      kind == JobKind::Print ? PaperTableKind::PrintJob : PaperTableKind::BlankJob);
  values.outputBinBlock = BuildOutputBinFeature(env.modelKey, live.faceUpExit);
  env.hooks.Progress(0);
  const int mediaCode = MediaCodeFor(live.mediaCode, live.mediaType, env.modelKey, env.text);
  values.mediaBlock = BuildMediaFeature(mediaCode, env.familyCode);
  values.inputSlotBlock = BuildInputSlotFeature(live.paperTray, env.text);
  return values;
}

std::string JobHeader(const JobValues& values, const UiHooks& hooks) {
  std::string out;
  WriteHeaderAndPrologue(out, values);
  WriteSetupStart(out, hooks);
  WriteCopiesBlock(out, values.copies);
  WriteSetupFeatures(out, values);
  WritePageSetup(out);
  WriteImageProcedure(out, values.image);
  return out;
}

PrintJob AssembleJob(JobValues& values, LiveSettings& live, RasterBytes data,
                     const UiHooks& hooks) {
  values.copies = CorrectCopies(live);
  PrintJob job;
  job.header = JobHeader(values, hooks);
  hooks.Progress(75);
  WriteTrailerText(job.trailer);
  job.data = std::move(data);
  job.outcome = JobOutcome::Made;
  hooks.Progress(100);
  return job;
}

void StartJob(const JobEnvironment& env) {
  env.hooks.Progress(0);
  env.hooks.Status(env.text[entry::kCreatingPrintStatus]);
}

// The image position counts from the page origin, never left of or above it.
long long PositionFromOrigin(int edgeDistancePt) {
  return std::max(edgeDistancePt - kOriginInset, 0);
}

}  // namespace

int CopiesCount(std::string_view copiesText) {
  // Held in range before rounding, so that no text overflows the integer.
  const double number = std::clamp(LeadingNumber(copiesText), 0.0, kMaxCopies + 1.0);
  return static_cast<int>(std::clamp<long long>(RoundHalfEven(number), kMinCopies, kMaxCopies));
}

std::string JobTitle(std::string_view caption) {
  const std::string prefix = std::string(kProductTitle) + std::string(kCaptionSeparator);
  std::string title(caption);
  for (std::size_t at = title.find(prefix); at != std::string::npos; at = title.find(prefix, at)) {
    title.erase(at, prefix.size());
  }
  return title;
}

namespace {

JobValues ImageJobValues(const JobEnvironment& env, const LiveSettings& live,
                         const TiledImage& image) {
  JobValues values = FeatureValues(env, live, JobKind::Print);
  values.title = JobTitle(live.caption);
  values.image.cols = image.xPixel;
  values.image.rows = image.yPixel;
  values.image.position = BlankSignedInteger(PositionFromOrigin(image.left)) +
                          BlankSignedInteger(PositionFromOrigin(image.top));
  values.image.size = BlankSignedNumber(image.xPoint) + BlankSignedNumber(image.yPoint);
  values.image.runLength = live.compactRaster;
  return values;
}

std::string_view View(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The rows through the run-length encoder on their way to the sink.
platform::PieceWriter RunLengthRows(platform::PieceWriter rows) {
  return [rows = std::move(rows)](const platform::ByteSink& sink) {
    RunLengthEncoder encoder;
    const platform::ByteSink encode = [&](std::string_view raw) {
      const std::span<const std::uint8_t> out =
          encoder.Add({reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()});
      return out.empty() || sink(View(out));
    };
    try {
      return rows(encode) && sink(View(encoder.Finish()));
    } catch (const std::bad_alloc&) {
      return false;  // the encoder's few rows found no memory
    }
  };
}

}  // namespace

PrintJob BuildPrintJob(const JobEnvironment& env, LiveSettings& live, TiledImage image) {
  StartJob(env);
  JobValues values = ImageJobValues(env, live, image);
  RasterBytes data = std::move(image.data);
  if (live.compactRaster) data = RunLengthEncode(data);
  PrintJob job = AssembleJob(values, live, std::move(data), env.hooks);
  job.runLength = live.compactRaster;
  return job;
}

PrintJob BuildPrintJob(const JobEnvironment& env, LiveSettings& live, const TiledImage& image,
                       platform::PieceWriter rows) {
  StartJob(env);
  JobValues values = ImageJobValues(env, live, image);
  PrintJob job = AssembleJob(values, live, {}, env.hooks);
  job.runLength = live.compactRaster;
  job.rows = live.compactRaster ? RunLengthRows(std::move(rows)) : std::move(rows);
  return job;
}

PrintJob BuildBlankJob(const JobEnvironment& env, LiveSettings& live) {
  StartJob(env);
  JobValues values = FeatureValues(env, live, JobKind::Blank);
  values.title = std::string(kProductShortTitle) + std::string(kCaptionSeparator) + "blank";
  values.image.cols = kBlankSide;
  values.image.rows = kBlankSide;
  values.image.position = "268 393";
  values.image.size = " 72 72";
  RasterBytes zeros(kBlankSide * kBlankSide * kPlanes, 0);
  return AssembleJob(values, live, std::move(zeros), env.hooks);
}

std::array<platform::PieceWriter, 4> SpoolPieces(const PrintJob& job) {
  using platform::BytesPiece;
  return {BytesPiece(job.header), job.rows ? job.rows : BytesPiece(View(job.data)),
          BytesPiece(job.trailer), BytesPiece(platform::kEndOfJobPiece)};
}

std::vector<std::uint8_t> SpoolBytes(const PrintJob& job) {
  std::vector<std::uint8_t> bytes;
  const platform::ByteSink append = [&bytes](std::string_view piece) {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return true;
  };
  for (const platform::PieceWriter& piece : SpoolPieces(job)) piece(append);
  return bytes;
}

}  // namespace nvx
