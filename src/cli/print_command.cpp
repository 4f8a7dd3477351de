#include <algorithm>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "base/text.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/job_options.h"
#include "cli/preview_output.h"
#include "cost/cost_settings.h"
#include "job/costing.h"
#include "lang/text_entries.h"
#include "platform/atomic_file.h"

namespace nvx::app {
namespace {

// Takes the one IMAGE argument; empty after a message when there is not one.
std::string ImageArgument(const CommandOptions& options, const char* command) {
  const std::vector<std::string> words = options.Positionals();
  if (words.size() == 1) return words.front();
  std::cerr << "nvxprint " << command << ": give one image file"
            << (words.empty() ? "" : " (and nothing else)") << "\n";
  return {};
}

// The session as the window opens it, the options, then the image loaded,
// turned and placed: what every image command starts with.
// `page` 0: the one --page chooses; a further page of --pages all says no notes again.
int OpenImageForCommand(CliSession& session, ImageDocument& document, const CommandOptions& options,
                        const std::string& file, int areaWidthPx = kDefaultPreviewWidthPx,
                        int areaHeightPx = kDefaultPreviewHeightPx, int page = 0) {
  if (int opened = OpenSessionWithOptions(session, options); opened != kExitOk) return opened;
  if (page > 0) session.live.page = page;
  return OpenForCommand(session, document, options, file, areaWidthPx, areaHeightPx,
                        page > 1 ? LoadNotes::AlreadySaid : LoadNotes::Say);
}

bool AllPages(const CommandOptions& options) { return options.IsSet("pages"); }

// --title names the job instead of the file: a program printing a copy of a
// document (the printer application's spool file) keeps its real name.
void ApplyTitleOption(CliSession& session, const CommandOptions& options) {
  if (options.IsSet("title")) NameDocument(session, options.Value("title"));
}

// One page of a document printed on its own: a session opened for it, as the
// first page's was, and its job. `cost` is filled when the settings ask for
// the cost of what is sent.
int MakePageJob(const CommandOptions& options, const std::string& file, int page, PrintJob& job,
                std::optional<PrintCost>& cost) {
  CliSession session;
  ImageDocument document;
  document.streamPrint = true;
  if (int opened = OpenImageForCommand(session, document, options, file, kDefaultPreviewWidthPx,
                                       kDefaultPreviewHeightPx, page);
      opened != kExitOk)
    return opened;
  ApplyTitleOption(session, options);
  Result<PrintJob> made = BuildImageJob(session, document, true);
  if (!made) return ReportFailure(made.failure(), ExitStatusFor(made.failure()));
  if (session.Settings().statsOption == StatsOption::PrintAndCost) {
    Result<PrintCost> costed = CostSentJob(session, *made);
    if (!costed) return ReportFailure(costed.failure(), kExitFailure);
    cost = std::move(*costed);
  }
  job = std::move(*made);
  return kExitOk;
}

// The pages after the first of --pages all, and what making them left.
struct FurtherPages {
  const CommandOptions& options;
  std::string file;
  int pageCount = 1;
  int status = kExitOk;          // the first failure's exit status, once said
  std::vector<PrintCost> costs;  // each page's, when the settings ask
};

// Writes a page's job whole, or the last page's without its end-of-job byte,
// which the chain's own end puts there.
bool WritePage(const PrintJob& job, bool last, const platform::ByteSink& sink) {
  const auto pieces = SpoolPieces(job);
  const std::size_t count = last ? pieces.size() - 1 : pieces.size();
  return std::all_of(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(count),
                     [&](const platform::PieceWriter& piece) { return piece(sink); });
}

// The pages one after the other in one spool document, each a complete job.
// A page is made only when the one before has gone out, so one page's raster
// is held at a time however many pages the document has. A page that cannot
// be made stops the document there, and the delivery fails: the file is not
// put in place, the queue's job is cancelled.
PrintJob ChainPages(PrintJob first, std::shared_ptr<FurtherPages> further) {
  PrintJob chained;
  chained.rows = [first = std::make_shared<PrintJob>(std::move(first)),
                  further](const platform::ByteSink& sink) {
    further->costs.clear();  // a file written again under another name makes them again
    if (!WritePage(*first, false, sink)) return false;
    for (int page = 2; page <= further->pageCount; ++page) {
      PrintJob next;
      std::optional<PrintCost> cost;
      further->status = MakePageJob(further->options, further->file, page, next, cost);
      if (further->status != kExitOk) return false;
      if (!WritePage(next, page == further->pageCount, sink)) return false;
      if (cost) further->costs.push_back(std::move(*cost));
    }
    return true;
  };
  return chained;
}

}  // namespace

int RunPrintCommand(const std::vector<std::string>& args) {
  CommandOptions options(
      "nvxprint print IMAGE [OPTIONS]",
      "Prints an image (PNG, JPEG, GIF, TIFF, BMP, PSD, WebP or HEIC) or vector artwork (PDF, "
      "SVG, EPS or PostScript, at its true size on transparent paper) as the main window would, "
      "or writes the job to a file with --to.");
  options.AddPositional("IMAGE", "The image file to print.");
  AddImageOptions(options);
  options.Add(ValueOption("title", "The job's title (default: the image file's name).", "TEXT"));
  if (auto status = options.Parse("print", args)) return *status;
  const std::string file = ImageArgument(options, "print");
  if (file.empty()) return kExitUsage;

  CliSession session;
  ImageDocument document;
  // The image is printed once: its pixels stay where the decoder put them.
  document.streamPrint = true;
  if (int opened = OpenImageForCommand(session, document, options, file); opened != kExitOk)
    return opened;
  ApplyTitleOption(session, options);

  Result<PrintJob> job = BuildImageJob(session, document, true);
  if (!job) return ReportFailure(job.failure(), ExitStatusFor(job.failure()));
  if (job->outcome == JobOutcome::CostedOnly) {
    std::cerr << "nvxprint: the settings ask for the cost only (Stats/Option is 1): nothing was "
                 "printed\n";
    const int shown = ShowCost(session, std::cout);
    return shown == kExitOk ? kExitFailure : shown;
  }
  const std::string name = PrintDocumentName(session.live.caption, session.text[entry::kTitle],
                                             session.live.xCopy, session.live.yCopy);
  // Each further page is costed as its job is made. So is the first when more
  // follow: the sizes and sums a sent job is costed by are then the last page's.
  const bool chained = AllPages(options) && document.image.pageCount > 1;
  std::optional<Result<PrintCost>> firstCost;
  if (chained && session.Settings().statsOption == StatsOption::PrintAndCost)
    firstCost = CostSentJob(session, *job);
  auto further = std::make_shared<FurtherPages>(
      FurtherPages{options, file, chained ? document.image.pageCount : 1, kExitOk, {}});
  // A stream cannot take back what it was given: every page is made before
  // any goes out.
  if (chained && options.IsSet("to") && platform::IsStreamOutput(options.Value("to"))) {
    for (int page = 2; page <= further->pageCount; ++page) {
      PrintJob next;
      std::optional<PrintCost> cost;
      if (int made = MakePageJob(options, file, page, next, cost); made != kExitOk) return made;
      AppendJob(*job, std::move(next));
      if (cost) further->costs.push_back(std::move(*cost));
    }
  } else if (chained) {
    *job = ChainPages(std::move(*job), further);
  }
  const int delivered = DeliverCommandJob(session, options, *job, name, &further->status);
  if (delivered != kExitOk) return delivered;
  if (firstCost) {
    KeepCost(session, std::move(*firstCost));
  } else if (!CostSentJobIfAsked(session, *job)) {
    return delivered;
  }
  const bool jobOnStdout = options.IsSet("to") && options.Value("to") == "-";
  std::ostream& out = jobOnStdout ? std::cerr : std::cout;
  if (int shown = ShowCost(session, out); shown != kExitOk) return shown;
  for (PrintCost& pageCost : further->costs) {
    session.lastCost = std::move(pageCost);
    if (int shown = ShowCost(session, out); shown != kExitOk) return shown;
  }
  return kExitOk;
}

int RunCostCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint cost IMAGE|SHEET.json [OPTIONS]",
                         "Prices a print of the image without printing it: separates it as a "
                         "print would, writes the cost of one print to the settings (TCOST), and "
                         "shows the report and the summary. A gang sheet's file is priced "
                         "sheet by sheet, as nvxprint sheet --cost does.");
  options.AddPositional("IMAGE", "The image file, or the gang sheet's file, to price.");
  AddImageOptions(options);
  if (auto status = options.Parse("cost", args)) return *status;
  const std::string file = ImageArgument(options, "cost");
  if (file.empty()) return kExitUsage;
  if (AsciiLower(std::filesystem::path(file).extension().string()) == ".json") {
    std::vector<std::string> sheetArgs{"--sheet", file, "--cost"};
    std::copy_if(args.begin(), args.end(), std::back_inserter(sheetArgs),
                 [&file](const std::string& arg) { return arg != file; });
    return RunSheetCommand(sheetArgs);
  }

  // With --pages all, each page is priced on its own, as its own print.
  int pageCount = 1;
  for (int page = 1; page <= pageCount; ++page) {
    CliSession session;
    ImageDocument document;
    if (int opened = OpenImageForCommand(session, document, options, file, kDefaultPreviewWidthPx,
                                         kDefaultPreviewHeightPx, AllPages(options) ? page : 0);
        opened != kExitOk)
      return opened;
    if (AllPages(options)) pageCount = document.image.pageCount;
    // As the cost settings dialog does when it opens: the defaults where none are set.
    OpenCostSettings(session.files);
    CostInsteadOfPrinting(session);
    Result<PrintJob> job = BuildImageJob(session, document, true);
    if (!job) return ReportFailure(job.failure(), ExitStatusFor(job.failure()));
    if (int shown = ShowCost(session, std::cout); shown != kExitOk) return shown;
  }
  return kExitOk;
}

int RunPreviewCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint preview IMAGE --to FILE.png [OPTIONS]",
                         "Writes the preview the main window would show for the image: the "
                         "page with its copies in the printer's colours, the simulated white, "
                         "on the chosen substrate.");
  options.AddPositional("IMAGE", "The image file to preview.");
  options.Add(ValueOption("to", "Write the preview picture (PNG) to FILE.", "FILE"));
  AddImageOptions(options, CommandOutput::NotAJob);
  options.Add(ValueOption("size", "The preview area in pixels (default 310x438).", "WxH"));
  options.Add(
      ValueOption("background", "Substrate colour 1..17 (6 white, 3 black, 17 film).", "N"));
  if (auto status = options.Parse("preview", args)) return *status;
  const std::string file = ImageArgument(options, "preview");
  if (file.empty()) return kExitUsage;
  if (!options.IsSet("to")) {
    std::cerr << "nvxprint preview: say where the picture goes with --to FILE.png\n";
    return kExitUsage;
  }
  if (AllPages(options)) {
    std::cerr << "nvxprint preview: one picture shows one page; choose it with --page N\n";
    return kExitUsage;
  }
  PreviewArea area;
  if (!ParsePreviewArea(options, area)) return kExitUsage;

  CliSession session;
  ImageDocument document;
  const int opened = OpenImageForCommand(session, document, options, file, area.width, area.height);
  if (opened != kExitOk) return opened;
  PreviewBitmap page = RenderPagePreview(session, document, area.substrate);
  PrintNotes(page.notes);
  return WritePreviewPng(options.Value("to"), page);
}

}  // namespace nvx::app
