#include <array>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/job_options.h"
#include "platform/atomic_file.h"
#include "platform/cups_spooler.h"
#include "platform/spool_bytes.h"
#include "printers/printer_mode.h"

namespace nvx::app {
namespace {

int WriteCommandFile(const std::string& path, std::string_view bytes) {
  const std::array<std::string_view, 2> pieces{bytes, platform::kEndOfJobPiece};
  if (Status written = platform::WriteOutputFile(path, pieces); !written) {
    std::cerr << "nvxprint: cannot write " << path << ": " << written.failure().message << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

int RunModeCommand(const std::vector<std::string>& args) {
  CommandOptions options("nvxprint mode off|on [OPTIONS]",
                         "Switches the printer's own colour conversion: 'off' (Driver Off) to "
                         "print with nvxprint, 'on' (Driver On) for the standard driver.");
  options.AddPositional("off|on", "off: print with nvxprint; on: print with the standard driver.");
  options.Add(ValueOption("printer", "Send to the CUPS queue QUEUE (default: the model's printer).",
                          "QUEUE"));
  options.Add(ValueOption("to", "Write the command to FILE instead of a printer.", "FILE"));
  options.Add(ValueOption("model", "Printer model key, e.g. C711WT or Pro8432WT.", "KEY"));
  if (auto status = options.Parse("mode", args)) return *status;
  const std::vector<std::string> words = options.Positionals();
  if (words.size() != 1 || (words[0] != "off" && words[0] != "on")) {
    std::cerr << "nvxprint mode: say 'off' (Driver Off) or 'on' (Driver On)\n";
    return kExitUsage;
  }
  const DriverMode mode = words[0] == "off" ? DriverMode::Off : DriverMode::On;

  CliSession session;
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  if (options.IsSet("to")) {
    WritePrintSet(session.files, mode);
    return WriteCommandFile(options.Value("to"), PjlBlockBytes(BlockFor(mode)));
  }
  Result<JobDestination> destination = ChooseDestination(session, options);
  if (!destination) return ReportFailure(destination.failure(), kExitFailure);
  const std::string& queue = destination->queue;
  Status sent = SendResult(queue, SwitchDriverMode(session.files, mode, queue));
  return sent ? kExitOk : ReportFailure(sent.failure(), kExitFailure);
}

}  // namespace nvx::app
