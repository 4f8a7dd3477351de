#pragma once

#include <string>
#include <string_view>

#include "app/cli_options.h"
#include "app/cli_session.h"
#include "postscript/job_writer.h"

namespace nvx::app {

// --to, --printer, --paper, --tray, --media, --copies and --model: what every
// job command takes.
void AddJobOptions(CommandOptions& options);

// Applies media, paper, tray and copies in the order a user would pick them:
// the media first, whose rules the later choices may override. Returns false
// after telling the user what is accepted.
bool ApplyJobOptions(CliSession& session, const CommandOptions& options);

// The queue of --printer, else the printer the window would start with.
// Empty after a message when there is none.
std::string ChooseQueue(const CliSession& session, const CommandOptions& options);

// Writes the job to --to, or sends it to the chosen queue. Returns the exit status.
int DeliverJob(CliSession& session, const CommandOptions& options, const PrintJob& job,
               std::string_view documentName);

}  // namespace nvx::app
