#include "cli/job_options.h"

#include "base/text.h"
#include "cli/commands.h"
#include "job/print_controls.h"

namespace nvx::app {

void AddJobOptions(CommandOptions& options, CommandOutput output) {
  if (output == CommandOutput::Job) {
    options.Add(ValueOption(
        "to", "Write the job to FILE (a device or FIFO too; - for stdout) instead of a printer.",
        "FILE"));
    options.Add(ValueOption(
        "printer", "Send to the CUPS queue QUEUE (default: the model's printer).", "QUEUE"));
  }
  options.Add(ValueOption("paper", "Paper size, as the paper list names it.", "NAME"));
  options.Add(ValueOption("tray", "Paper tray: AUTO, MultiPurpose Tray or Tray 1.", "NAME"));
  options.Add(ValueOption("media", "Media type, as the media list names it.", "NAME"));
  const PrintControl copies = *FindPrintControl(control::kCopies);
  const std::string copiesHelp = "Number of copies (" + std::to_string(copies.min) + " to " +
                                 std::to_string(copies.max) + ").";
  options.Add(ValueOption("copies", copiesHelp.c_str(), "N"));
  options.Add(ValueOption("model", "Printer model key, e.g. C711WT or Pro8432WT.", "KEY"));
}

int ApplyJobOptions(CliSession& s, const CommandOptions& options) {
  Status status;
  // The window's order: paper, tray, medium. A paper fed from one tray only
  // locks the tray before it is chosen; a medium's lock keeps the tray chosen.
  if (options.IsSet("paper")) status = ChoosePaper(s, options.Value("paper"));
  if (status && options.IsSet("tray")) status = ChooseTray(s, options.Value("tray"));
  if (status && options.IsSet("media")) {
    Result<MediaRuleOutcome> media = ChooseMedia(s, options.Value("media"));
    if (!media) status = media.failure();
  }
  // The media's rules may change the margins: the page must still have room.
  if (status) status = CheckPrintableArea(s);
  if (status && options.IsSet("copies")) {
    const std::string text = options.Value("copies");
    const PrintControl copies = *FindPrintControl(control::kCopies);
    std::optional<long long> count = ParseWholeNumber(text);
    if (!count || *count < copies.min || *count > copies.max) {
      status = Fail("--copies takes a whole number " + RangeText(copies) + ", not '" + text + "'",
                    Failure::Kind::Refused);
    } else {
      status = SetCopies(s, static_cast<int>(*count));
    }
  }
  return status ? kExitOk : ReportFailure(status.failure(), ExitStatusFor(status.failure()));
}

Result<JobDestination> ChooseDestination(const CliSession& s, const CommandOptions& options) {
  if (options.IsSet("to")) return JobDestination{options.Value("to"), {}};
  if (options.IsSet("printer") && !options.Value("printer").empty())
    return JobDestination{{}, options.Value("printer")};
  Result<std::string> queue = DefaultPrinter(s.files, s.modelKey);
  if (!queue) return queue.failure();
  return JobDestination{{}, *queue};
}

int DeliverCommandJob(CliSession& s, const CommandOptions& options, const PrintJob& job,
                      std::string_view documentName, const int* madeStatus) {
  Result<JobDestination> destination = ChooseDestination(s, options);
  if (!destination) return ReportFailure(destination.failure(), kExitFailure);
  Status delivered = DeliverJob(*destination, documentName, job, s.text, s.hooks);
  if (delivered) return kExitOk;
  if (madeStatus && *madeStatus != kExitOk) return *madeStatus;
  return ReportFailure(delivered.failure(), kExitFailure);
}

int ShowCost(const CliSession& session, std::ostream& out) {
  if (!session.lastCost) {
    return ReportFailure(Fail(session.lastCostFailure.empty() ? "the print could not be costed"
                                                              : session.lastCostFailure),
                         kExitFailure);
  }
  auto lines = [](std::string text) {
    std::erase(text, '\r');
    return text;
  };
  const PrintCost& cost = *session.lastCost;
  out << lines(cost.report.optionLine) << "\n\n"
      << lines(cost.report.text) << "\n\n"
      << lines(cost.summary) << "\n";
  return kExitOk;
}

void AppendJob(PrintJob& job, PrintJob&& next) {
  const std::vector<std::uint8_t> first = SpoolBytes(job);
  job.header.assign(first.begin(), first.end());
  job.header += next.header;
  job.data = std::move(next.data);
  job.trailer = std::move(next.trailer);
  job.runLength = next.runLength;
  job.rows = std::move(next.rows);
  job.sourceReady = std::move(next.sourceReady);
  job.rowSums = next.rowSums;
}

}  // namespace nvx::app
