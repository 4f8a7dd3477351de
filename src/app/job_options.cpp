#include "app/job_options.h"

#include <iostream>

#include "app/commands.h"
#include "app/job_output.h"
#include "app/spool_job.h"

namespace nvx::app {

void AddJobOptions(CommandOptions& options) {
  options.Add(ValueOption("to", "Write the job to FILE instead of a printer.", "FILE"));
  options.Add(ValueOption("printer", "Send to the CUPS queue QUEUE (default: the model's printer).",
                          "QUEUE"));
  options.Add(ValueOption("paper", "Paper size, as the paper list names it.", "NAME"));
  options.Add(ValueOption("tray", "Paper tray: AUTO, MultiPurpose Tray or Tray 1.", "NAME"));
  options.Add(ValueOption("media", "Media type, as the media list names it.", "NAME"));
  options.Add(ValueOption("copies", "Number of copies (1 to 99).", "N"));
  options.Add(ValueOption("model", "Printer model key, e.g. C711WT or Pro8432WT.", "KEY"));
}

bool ApplyJobOptions(CliSession& session, const CommandOptions& options) {
  struct Step {
    const char* name;
    std::string (*apply)(CliSession&, std::string_view);
  };
  const Step steps[] = {{"media", ApplyMediaOption},
                        {"paper", ApplyPaperOption},
                        {"tray", ApplyTrayOption},
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

std::string ChooseQueue(const CliSession& session, const CommandOptions& options) {
  std::string queue = options.Value("printer");
  if (!queue.empty()) return queue;
  std::string error;
  queue = DefaultPrinter(session.files, session.modelKey, error);
  if (queue.empty()) std::cerr << "nvxprint: " << error << "\n";
  return queue;
}

int DeliverJob(CliSession& session, const CommandOptions& options, const PrintJob& job,
               std::string_view documentName) {
  if (options.IsSet("to")) return WriteJobFile(options.Value("to"), job);
  std::string queue = ChooseQueue(session, options);
  if (queue.empty()) return kExitFailure;
  return SendJob(queue, documentName, job, session.text, session.hooks) ? kExitOk : kExitFailure;
}

}  // namespace nvx::app
