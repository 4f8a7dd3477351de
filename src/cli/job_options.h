#pragma once

#include <ostream>
#include <string_view>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "job/delivery.h"

namespace nvx::app {

// Where a command's output goes: a job to a printer or a file, or something
// that is no job (a preview picture), whose command says where it goes itself.
enum class CommandOutput { Job, NotAJob };

// --to, --printer, --paper, --tray, --media, --copies and --model: what every
// job command takes; without --to and --printer for output that is not a job.
void AddJobOptions(CommandOptions& options, CommandOutput output = CommandOutput::Job);

// Applies paper, tray, media and copies in the window's order: the paper first,
// because the tray and the media's rules depend on it; a medium that locks the
// tray list keeps the tray chosen before it.
// Returns kExitOk, or the exit status after telling the user what is accepted.
int ApplyJobOptions(CliSession& session, const CommandOptions& options);

// Where the job goes: --to FILE, --printer QUEUE, else the printer the window
// would start with.
Result<JobDestination> ChooseDestination(const CliSession& session, const CommandOptions& options);

// Writes the job to --to, or sends it to the chosen queue. Returns the exit status.
// `madeStatus`, where the job is made while it is sent: set to a failure's exit
// status when the making stopped it after saying why, which is then returned
// instead of a second message about the delivery.
int DeliverCommandJob(CliSession& session, const CommandOptions& options, const PrintJob& job,
                      std::string_view documentName, const int* madeStatus = nullptr);

// The print's cost report and summary, as the window's report shows them: on
// `out`, or the reason there is none (exit status 1).
int ShowCost(const CliSession& session, std::ostream& out);

// Puts `next` after `job` in one spool document: each stays a complete job
// with its own end-of-job byte.
void AppendJob(PrintJob& job, PrintJob&& next);

}  // namespace nvx::app
