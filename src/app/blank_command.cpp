#include <iostream>

#include "app/cli_options.h"
#include "app/cli_session.h"
#include "app/commands.h"
#include "app/job_output.h"
#include "postscript/job_writer.h"

namespace nvx::app {
namespace {

const QCommandLineOption kTo({"to"}, "Write the job to FILE instead of a printer.", "FILE");
const QCommandLineOption kPaper({"paper"}, "Paper size, as the paper list names it.", "NAME");
const QCommandLineOption kTray({"tray"}, "Paper tray: AUTO, MultiPurpose Tray or Tray 1.", "NAME");
const QCommandLineOption kMedia({"media"}, "Media type, as the media list names it.", "NAME");
const QCommandLineOption kCopies({"copies"}, "Number of copies (1 to 99).", "N");
const QCommandLineOption kModel({"model"}, "Printer model key, e.g. C711WT or Pro8432WT.", "KEY");

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
                         "Writes the blank-page job, which feeds one empty sheet through the "
                         "printer.");
  for (const auto& option : {kTo, kPaper, kTray, kMedia, kCopies, kModel}) options.Add(option);
  if (auto status = options.Parse("blank", args)) return *status;
  if (!options.Positionals().empty()) {
    std::cerr << "nvxprint blank: unexpected argument '" << options.Positionals().front() << "'\n";
    return kExitUsage;
  }
  if (!options.IsSet("to")) {
    std::cerr << "nvxprint blank: sending to a printer is not available yet; use --to FILE\n";
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
  return WriteJobFile(options.Value("to"), job);
}

}  // namespace nvx::app
