#include "cli/cli_session.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>

#include "cli/commands.h"

namespace nvx::app {

CliSession::CliSession() { hooks = TerminalHooks(); }

CliSession::~CliSession() {
  if (files.userFolder.empty()) return;
  if (const Status stored = CommitSession(*this); !stored) ReportFailure(stored.failure(), 0);
}

int OpenCliSession(CliSession& session, std::string_view model) {
  const Result<Notes> opened = OpenPrintSession(session, model);
  if (!opened) return ReportFailure(opened.failure(), ExitStatusFor(opened.failure()));
  PrintNotes(*opened);
  return kExitOk;
}

int StoreCliSession(CliSession& session) {
  const Status stored = CommitSession(session);
  return stored ? kExitOk : ReportFailure(stored.failure(), kExitFailure);
}

namespace {

// A message's lines as the terminal shows them: the CR of its CR LF line ends goes.
void PrintMessageText(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  std::cerr << "nvxprint: " << text << "\n";
}

}  // namespace

void PrintNotes(const Notes& notes) {
  for (const Message& note : notes) PrintMessageText(note.text);
}

int ReportFailure(const Failure& failure, int exitStatus) {
  if (!failure.message.empty()) PrintMessageText(failure.message);
  return exitStatus;
}

int ExitStatusFor(const Failure& failure) {
  return failure.kind == Failure::Kind::Refused ? kExitUsage : kExitFailure;
}

UiHooks TerminalHooks() {
  UiHooks hooks;
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  if (terminal) {
    auto last = std::make_shared<int>(-1);
    hooks.progress = [last](int percent) {
      if (percent == *last) return;
      *last = percent;
      std::cerr << "\r["
                << (percent < 10    ? "  "
                    : percent < 100 ? " "
                                    : "")
                << percent << "%]" << std::flush;
    };
    hooks.status = [last](std::string_view text) {
      std::string line(text);
      std::erase_if(line, [](char c) { return c == '<' || c == '>'; });
      const std::size_t first = line.find_first_not_of(' ');
      if (first == std::string::npos) return;
      line = line.substr(first, line.find_last_not_of(' ') - first + 1);
      std::cerr << "\r      " << line << "\n" << std::flush;
      *last = -1;
    };
  }
  return hooks;
}

}  // namespace nvx::app
