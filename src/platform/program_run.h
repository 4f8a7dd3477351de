#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace nvx::platform {

// A program to run and wait for: a helper such as Ghostscript, or nvxprint itself.
struct ProgramRun {
  std::vector<std::string> arguments;    // the first is the program: a path, or a name on PATH
  std::filesystem::path output;          // its standard output and errors; empty: discarded
  std::vector<std::string> environment;  // NAME=value entries that replace the inherited ones
  std::chrono::milliseconds limit{std::chrono::hours(1)};
  std::function<bool()> shouldStop;  // asked while it runs; true stops it
  // Killed when the thread that started it ends, so it cannot outlive a helper
  // process that is itself stopped. Only for a single-threaded process: it is
  // started with fork, which a process with other threads must not use.
  bool diesWithStarter = false;
};

enum class ProgramEnd { Succeeded, Failed, Stopped, TimedOut, NotStarted };

// Runs the program with nothing on its standard input and waits for it; it is
// killed when `shouldStop` says so or when the time limit passes.
ProgramEnd RunProgram(const ProgramRun& run);

}  // namespace nvx::platform
