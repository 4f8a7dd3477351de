#include <iostream>

#include "app/commands.h"
#include "app/image_options.h"
#include "app/job_options.h"
#include "app/preview_output.h"
#include "lang/text_entries.h"

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

}  // namespace

int RunPrintCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint print IMAGE [OPTIONS]",
                         "Prints an image (PNG, JPEG, GIF, TIFF, BMP or PSD) as the main window "
                         "would, or writes the job to a file with --to.");
  options.AddPositional("IMAGE", "The image file to print.");
  AddImageOptions(options);
  if (auto status = options.Parse("print", args)) return *status;
  const std::string file = ImageArgument(options, "print");
  if (file.empty()) return kExitUsage;

  CliSession session;
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  if (int applied = ApplyOptionsBeforeLoad(session, options); applied != kExitOk) return applied;
  ImageDocument document;
  const int opened = OpenForCommand(session, document, options, file, kDefaultPreviewWidthPx,
                                    kDefaultPreviewHeightPx);
  if (opened != kExitOk) return opened;

  Result<PrintJob> job = BuildImageJob(session, document, true);
  if (!job) return ReportFailure(job.failure(), ExitStatusFor(job.failure()));
  if (job->outcome == JobOutcome::CostedOnly) {
    std::cerr << "nvxprint: the settings ask for a cost estimate only (Stats/Option is 1); "
                 "no job was made\n";
    return kExitFailure;
  }
  const std::string name = PrintDocumentName(session.live.caption, session.text[entry::kTitle],
                                             session.live.xCopy, session.live.yCopy);
  return DeliverCommandJob(session, options, *job, name);
}

int RunPreviewCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint preview IMAGE --to FILE.png [OPTIONS]",
                         "Writes the preview the main window would show for the image: the "
                         "page with its copies in the printer's colours, the simulated white, "
                         "on the chosen substrate.");
  options.AddPositional("IMAGE", "The image file to preview.");
  AddImageOptions(options);
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
  PreviewArea area;
  if (!ParsePreviewArea(options, area)) return kExitUsage;

  CliSession session;
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  if (int applied = ApplyOptionsBeforeLoad(session, options); applied != kExitOk) return applied;
  ImageDocument document;
  const int opened = OpenForCommand(session, document, options, file, area.width, area.height);
  if (opened != kExitOk) return opened;
  PreviewBitmap page = RenderPagePreview(session, document, area.substrate);
  return WritePreviewPng(options.Value("to"), page);
}

}  // namespace nvx::app
