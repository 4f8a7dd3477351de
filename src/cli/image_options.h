#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/job_options.h"
#include "job/image_document.h"

namespace nvx::app {

// The options that print and preview share: the job options, the window's
// switches and sliders, and the profiles.
void AddImageOptions(CommandOptions& options, CommandOutput output = CommandOutput::Job);

// Options that act before the image is loaded (the job options, then
// everything the load or the layout reads). Returns kExitOk, or the exit
// status after a message when a value is not accepted.
int ApplyOptionsBeforeLoad(CliSession& session, const CommandOptions& options);

// Opens the session as the window would and applies the options before the
// load: what every command that prints, previews, prices or saves a preset
// starts with. Returns kExitOk, or the exit status after a message.
int OpenSessionWithOptions(CliSession& session, const CommandOptions& options);

// Options that must follow the load, whose page fit may have turned the image.
void ApplyOptionsAfterLoad(CliSession& session, const CommandOptions& options);

// Whether the notes on a load (the printer profile's stand-in, transparent
// areas) are said: once per command, not again for each further page.
enum class LoadNotes { Say, AlreadySaid };

// Runs load, conversion, orientation and placement for the command line. A
// --page beyond the file's pages (any but 1 for a raster image) is refused.
// Returns the exit status to end with, or kExitOk to go on.
int OpenForCommand(CliSession& session, ImageDocument& document, const CommandOptions& options,
                   const std::string& file, int areaWidthPx, int areaHeightPx,
                   LoadNotes notes = LoadNotes::Say);

}  // namespace nvx::app
