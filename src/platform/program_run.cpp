#include "platform/program_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string_view>
#include <thread>

extern char** environ;

namespace nvx::platform {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& replacements) {
  std::vector<std::string> merged = replacements;
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    const std::string_view name = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const std::string& r : replacements) replaced = replaced || r.starts_with(name);
    if (!replaced) merged.emplace_back(entry);
  }
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

ProgramEnd EndOf(int status) {
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ProgramEnd::Succeeded : ProgramEnd::Failed;
}

// Starts the program as a new process image without copying this one, safe
// while other threads hold locks.
pid_t Spawn(char* const* argv, char* const* envp, const char* output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv, envp) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Starts the program so that it dies with the calling thread. Between fork and
// exec the child only opens, duplicates and asks to die with its parent.
pid_t ForkDyingWithStarter(char* const* argv, char* const* envp, const char* output) {
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open(output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || out < 0) ::_exit(127);
  ::dup2(in, STDIN_FILENO);
  ::dup2(out, STDOUT_FILENO);
  ::dup2(out, STDERR_FILENO);
  ::execvpe(argv[0], argv, envp);
  ::_exit(127);
}

}  // namespace

ProgramEnd RunProgram(const ProgramRun& run) {
  if (run.arguments.empty()) return ProgramEnd::NotStarted;
  std::vector<std::string> arguments = run.arguments;
  std::vector<std::string> environment = MergedEnvironment(run.environment);
  const std::vector<char*> argv = Pointers(arguments);
  const std::vector<char*> envp = Pointers(environment);
  const std::string output = run.output.empty() ? "/dev/null" : run.output.string();
  const pid_t pid = run.diesWithStarter
                        ? ForkDyingWithStarter(argv.data(), envp.data(), output.c_str())
                        : Spawn(argv.data(), envp.data(), output.c_str());
  if (pid < 0) return ProgramEnd::NotStarted;

  const auto deadline = std::chrono::steady_clock::now() + run.limit;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return EndOf(status);
    if (done < 0 && errno != EINTR) return ProgramEnd::Failed;
    const bool stop = run.shouldStop && run.shouldStop();
    if (stop || std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return stop ? ProgramEnd::Stopped : ProgramEnd::TimedOut;
    }
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace nvx::platform
