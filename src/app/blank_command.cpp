#include <iostream>

#include "app/cli_options.h"
#include "app/cli_session.h"
#include "app/commands.h"
#include "app/job_output.h"
#include "app/spool_job.h"
#include "postscript/job_writer.h"

namespace nvx::app {
namespace {

const QCommandLineOption kTo =
    ValueOption("to", "Write the job to FILE instead of a printer.", "FILE");
const QCommandLineOption kPaper =
    ValueOption("paper", "Paper size, as the paper list names it.", "NAME");
const QCommandLineOption kTray =
    ValueOption("tray", "Paper tray: AUTO, MultiPurpose Tray or Tray 1.", "NAME");
const QCommandLineOption kMedia =
    ValueOption("media", "Media type, as the media list names it.", "NAME");
const QCommandLineOption kCopies = ValueOption("copies", "Number of copies (1 to 99).", "N");
const QCommandLineOption kModel =
    ValueOption("model", "Printer model key, e.g. C711WT or Pro8432WT.", "KEY");
const QCommandLineOption kPrinter =
    ValueOption("printer", "Send to the CUPS queue QUEUE (default: the model's printer).", "QUEUE");

}  // namespace

// Applies the paper, tray, media and copies options in the order a user would
// click them. Returns false after telling the user what is accepted.
bool ApplyJobOptions(CliSession& session, const CommandOptions& options) {
  struct Step {
    const char* name;
    std::string (*apply)(CliSession&, std::string_view);
  };
  const Step steps[] = {{"paper", ApplyPaperOption},
                        {"tray", ApplyTrayOption},
                        {"media", ApplyMediaOption},
                        {"copies", ApplyCopiesOption}};
  for (const Step& step : steps) {
    if (!options.IsSet(step.name)) continue;
    std::string error = step.apply(session, options.Value(step.name));
    if (!error.empty()) {
      std::cerr << "nvxprint: " << error << "\n";
      return false;
    }
  }
  return true;
}

int RunBlankCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint blank [OPTIONS]",
                         "Sends the blank-page job, which feeds one empty sheet through the "
                         "printer, or writes it to a file with --to.");
  for (const auto& option : {kTo, kPrinter, kPaper, kTray, kMedia, kCopies, kModel}) {
    options.Add(option);
  }
  if (auto status = options.Parse("blank", args)) return *status;
  if (!options.Positionals().empty()) {
    std::cerr << "nvxprint blank: unexpected argument '" << options.Positionals().front() << "'\n";
    return kExitUsage;
  }
  CliSession session;
  session.hooks = TerminalHooks();
  OpenCliSession(session, options.Value("model"));
  if (!ApplyJobOptions(session, options)) return kExitUsage;

  JobEnvironment env{session.files, session.text, session.hooks, session.modelKey,
                     session.familyCode};
  PrintJob job = BuildBlankJob(env, session.live);
  if (!job.ok) return kExitFailure;
  if (options.IsSet("to")) return WriteJobFile(options.Value("to"), job);

  std::string queue = options.Value("printer");
  if (queue.empty()) {
    std::string error;
    queue = DefaultPrinter(session.files, session.modelKey, error);
    if (queue.empty()) {
      std::cerr << "nvxprint: " << error << "\n";
      return kExitFailure;
    }
  }
  return SendJob(queue, kBlankDocumentName, job, session.text, session.hooks) ? kExitOk
                                                                              : kExitFailure;
}

}  // namespace nvx::app
