#pragma once

#include <string_view>

#include "base/result.h"
#include "job/print_session.h"
#include "settings/ui_hooks.h"

namespace nvx::app {

// A command's print session: its hooks print to the terminal, and whatever it
// changed in the settings is stored in one write when the command ends.
struct CliSession : PrintSession {
  CliSession();
  ~CliSession();
};

// Opens the session as the window would; prints why not and returns the exit
// status to end with, or kExitOk to go on.
int OpenCliSession(CliSession& session, std::string_view model);

// For a command whose purpose is to store: stores what the session changed
// now, while it holds the settings lock (set holdSettingsLock before opening).
// kExitOk, or kExitFailure after the write failure was shown.
int StoreCliSession(CliSession& session);

// Prints what the core returned for the user to read, one line each.
void PrintNotes(const Notes& notes);

// Prints the failure's message (when it has one) and returns `exitStatus`.
int ReportFailure(const Failure& failure, int exitStatus);

// The exit status a failure ends a command with: 2 for a refused choice, else 1.
int ExitStatusFor(const Failure& failure);

// Hooks that print progress and the status line while stderr is a terminal.
UiHooks TerminalHooks();

}  // namespace nvx::app
