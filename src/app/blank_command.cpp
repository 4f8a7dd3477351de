#include <iostream>

#include "app/commands.h"
#include "app/job_options.h"
#include "app/spool_job.h"

namespace nvx::app {

int RunBlankCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint blank [OPTIONS]",
                         "Sends the blank-page job, which feeds one empty sheet through the "
                         "printer, or writes it to a file with --to.");
  AddJobOptions(options);
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
  return DeliverJob(session, options, job, kBlankDocumentName);
}

}  // namespace nvx::app
