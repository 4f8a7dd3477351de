#include "server/server_jobs.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "image/image_format.h"
#include "platform/program_run.h"
#include "server/server_app.h"

namespace nvx::server {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A conversion that takes longer than this is stopped and its job aborted.
constexpr auto kConversionLimit = 10min;
constexpr std::size_t kCopyBlock = 1 << 16;
// How long an older waiting job may take to be started beside a newer one.
constexpr auto kOlderJobStart = 1s;

struct FormatName {
  ImageFormat format;
  const char* mimeType;
};
constexpr FormatName kFormats[] = {
    {ImageFormat::Png, "image/png"},
    {ImageFormat::Jpeg, "image/jpeg"},
    {ImageFormat::Gif, "image/gif"},
    {ImageFormat::Tiff, "image/tiff"},
    {ImageFormat::Bmp, "image/bmp"},
    {ImageFormat::Psd, "image/vnd.adobe.photoshop"},
    {ImageFormat::WebP, "image/webp"},
    {ImageFormat::Heif, "image/heic"},
    {ImageFormat::Pdf, "application/pdf"},
    {ImageFormat::Svg, "image/svg+xml"},
    {ImageFormat::Eps, "application/postscript"},
};

fs::path ConverterProgram() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return self.parent_path() / "nvxprint";
}

// Why the converter failed: its last message, or the one before when the last
// only says that no job was made.
std::string FailureReason(const fs::path& file) {
  constexpr std::string_view kPrefix = "nvxprint: ";
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(kPrefix)) line.erase(0, kPrefix.size());
    if (line.find_first_not_of(" \r") != std::string::npos) lines.push_back(line);
  }
  if (lines.size() > 1 && lines.back().starts_with("no job made")) lines.pop_back();
  return lines.empty() ? "The document could not be converted." : lines.back();
}

struct Conversion {
  bool made = false;
  bool canceled = false;
};

// Runs the converter, stopping it when the job is cancelled or takes too long.
Conversion RunConverter(pappl_job_t* job, const std::vector<std::string>& args,
                        const fs::path& messages) {
  // The converter's temporary files (a renderer's) go to the spool too.
  const platform::ProgramEnd end = platform::RunProgram({
      .arguments = args,
      .output = messages,
      .environment = {"TMPDIR=" + Places().spool.string()},
      .limit = kConversionLimit,
      .shouldStop = [job] { return papplJobIsCanceled(job); },
  });
  if (end == platform::ProgramEnd::NotStarted) {
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Cannot start %s", args.front().c_str());
  }
  if (end == platform::ProgramEnd::TimedOut)
    papplJobSetMessage(job, "The conversion took too long.");
  return {.made = end == platform::ProgramEnd::Succeeded,
          .canceled = end == platform::ProgramEnd::Stopped};
}

// The job's own choices, and for each white-toner setting it leaves out the
// printer's default (PAPPL fills in only its own attributes' defaults).
JobRequest ReadJobRequest(pappl_job_t* job) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  pappl_pr_options_t* options = papplJobCreatePrintOptions(job, INT_MAX, true);
  JobRequest request;
  request.media = options->media.size_name;
  request.mediaSource = options->media.source;
  request.mediaType = options->media.type;
  request.copies = options->copies;
  request.quality = options->print_quality;
  for (int i = 0; i < options->num_vendor; ++i)
    request.vendor[options->vendor[i].name] = options->vendor[i].value;
  papplJobDeletePrintOptions(options);
  ipp_t* defaults = papplPrinterGetDriverAttributes(printer);
  for (const VendorAttribute& attribute : VendorAttributes()) {
    if (request.vendor.contains(attribute.name)) continue;
    const std::string name = std::string(attribute.name) + "-default";
    if (ipp_attribute_t* standing = ippFindAttribute(defaults, name.c_str(), IPP_TAG_ZERO)) {
      char value[256];
      ippAttributeString(standing, value, sizeof(value));
      request.vendor[std::string(attribute.name)] = value;
    }
  }
  ippDelete(defaults);
  return request;
}

// A size of the job's own that the printer does not list is stored as a
// custom paper size first, as a user would before printing on it.
Conversion StoreCustomSize(pappl_job_t* job, const PrinterDefaults& defaults,
                           const std::string& media, const fs::path& messages) {
  if (media.empty() || FindOfferedPaper(defaults.papers, media)) return {.made = true};
  std::optional<CustomSizePaper> custom = CustomSizeFor(defaults, media);
  if (!custom) return {.made = true};
  std::vector<std::string> args{ConverterProgram().string()};
  args.insert(args.end(), custom->add.begin(), custom->add.end());
  return RunConverter(job, args, messages);
}

bool SendFile(pappl_job_t* job, const fs::path& made, pappl_device_t* device) {
  std::ifstream in(made, std::ios::binary);
  std::vector<char> block(kCopyBlock);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const std::streamsize count = in.gcount();
    if (count > 0 && papplDeviceWrite(device, block.data(), static_cast<size_t>(count)) < 0) {
      papplJobSetMessage(job, "The printer stopped taking the job.");
      return false;
    }
  }
  papplDeviceFlush(device);
  return true;
}

void Abort(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
  papplJobSetMessage(job, "%s", message.c_str());
  papplJobSetReasons(job, PAPPL_JREASON_ABORTED_BY_SYSTEM | reason, PAPPL_JREASON_NONE);
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
}

// Marks a job (as its data) once a thread has taken it.
char handledMark;

// PAPPL (1.3.1) starts a job's processing thread and takes the job as
// processing only once that thread runs. In between, a Cancel-Job ends the job
// as if it were waiting (its file removed) while its thread still comes, and
// the printer, looking idle, starts the next job beside it or the same waiting
// job a second time. So each job is taken once, under the printer's turn, and
// a job cancelled in between sends nothing.
struct OlderJobs {
  int id;
  bool starting = false;  // taken as processing, not yet in its turn
  bool pending = false;
};

void NoteOlderJob(pappl_job_t* other, void* data) {
  auto* older = static_cast<OlderJobs*>(data);
  if (papplJobGetID(other) >= older->id) return;
  const ipp_jstate_t state = papplJobGetState(other);
  if (state == IPP_JSTATE_PROCESSING && papplJobGetData(other) != &handledMark)
    older->starting = true;
  if (state == IPP_JSTATE_PENDING) older->pending = true;
}

// Two jobs started at once take their turns in the order they came: the newer
// waits while the older's thread is on its way. An older job still pending
// after a moment has no thread of its own and is not waited for.
std::unique_lock<std::mutex> TakeTurnAfterOlder(pappl_job_t* job) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  const auto begun = std::chrono::steady_clock::now();
  for (;;) {
    std::unique_lock turn(PrinterTurn(printer));
    OlderJobs older{.id = papplJobGetID(job)};
    papplPrinterIterateActiveJobs(printer, NoteOlderJob, &older, 1, 0);
    const auto waited = std::chrono::steady_clock::now() - begun;
    if (!(older.starting && waited < kConversionLimit) &&
        !(older.pending && waited < kOlderJobStart))
      return turn;
    turn.unlock();
    std::this_thread::sleep_for(5ms);
  }
}

bool ConvertDocument(pappl_job_t* job, pappl_device_t* device, void*) {
  const std::unique_lock turn = TakeTurnAfterOlder(job);
  const struct HandOn {
    pappl_job_t* job;
    ~HandOn() { HandPrinterOn(job); }
  } handOn{job};
  TakePrinterTurn(job);
  if (papplJobGetData(job) == &handledMark) return true;
  papplJobSetData(job, &handledMark);
  const char* file = papplJobGetFilename(job);
  if (!file) {
    // Cancelled before this thread began; have PAPPL finish it as cancelled.
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Cancelled before it started; nothing sent.");
    papplJobCancel(job);
    return true;
  }
  return ConvertAndSend(job, file, device);
}

const char* SniffMimeType(const unsigned char* header, size_t size, void*) {
  const SniffedFormat sniffed =
      SniffFormat(std::string_view(reinterpret_cast<const char*>(header), size));
  for (const FormatName& known : kFormats) {
    if (known.format == sniffed.format) return known.mimeType;
  }
  return nullptr;
}

}  // namespace

std::mutex& PrinterTurn(pappl_printer_t* printer) {
  static std::mutex guard;
  static std::map<int, std::mutex> turns;
  const std::lock_guard lock(guard);
  return turns[papplPrinterGetID(printer)];
}

bool RefuseNativeJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  Abort(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
        "Send the artwork (an image or PDF); ready-made printer jobs are not taken.");
  return false;
}

bool ConvertAndSend(pappl_job_t* job, const char* file, pappl_device_t* device) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  pappl_pr_driver_data_t data;
  papplPrinterGetDriverData(printer, &data);
  const auto* extension = static_cast<const PrinterExtension*>(data.extension);
  const JobRequest request = ReadJobRequest(job);
  Result<std::vector<std::string>> options = PrintArguments(extension->defaults, request);
  if (!options) {
    Abort(job, PAPPL_JREASON_NONE, options.failure().message);
    return false;
  }
  char made[1024];
  char messages[1024];
  const std::string spool = Places().spool.string();
  ::close(papplJobOpenFile(job, made, sizeof(made), spool.c_str(), "job", "w"));
  ::close(papplJobOpenFile(job, messages, sizeof(messages), spool.c_str(), "log", "w"));
  const char* name = papplJobGetName(job);
  const std::string title = name && *name ? name : fs::path(file).filename().string();
  // Every page of a document is printed, each as a job of its own.
  std::vector<std::string> args{
      ConverterProgram().string(), "print", file, "--pages", "all", "--to", made, "--title", title};
  args.insert(args.end(), options->begin(), options->end());
  Conversion conversion = StoreCustomSize(job, extension->defaults, request.media, messages);
  if (conversion.made) conversion = RunConverter(job, args, messages);
  bool sent = false;
  if (conversion.canceled) {
    sent = true;  // PAPPL ends a cancelled job itself; nothing was sent.
  } else if (!conversion.made) {
    Abort(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, FailureReason(messages));
  } else if (!papplJobIsCanceled(job)) {
    sent = SendFile(job, made, device);
  }
  std::error_code ignored;
  fs::remove(made, ignored);
  fs::remove(messages, ignored);
  return sent;
}

void AddConversions(pappl_system_t* system) {
  for (const FormatName& known : kFormats)
    papplSystemAddMIMEFilter(system, known.mimeType, kNativeFormat, ConvertDocument, nullptr);
  papplSystemSetMIMECallback(system, SniffMimeType, nullptr);
  papplSystemAddTimerCallback(system, 0, 1, WakeIdlePrinters, nullptr);
}

}  // namespace nvx::server
