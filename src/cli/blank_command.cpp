#include <iostream>

#include "cli/commands.h"
#include "cli/job_options.h"

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
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  if (int applied = ApplyJobOptions(session, options); applied != kExitOk) return applied;

  JobEnvironment env{session.files, session.text, session.hooks, session.modelKey,
                     session.familyCode};
  PrintJob job = BuildBlankJob(env, session.live);
  if (!job.ok()) return kExitFailure;
  return DeliverCommandJob(session, options, job, kBlankDocumentName);
}

}  // namespace nvx::app
