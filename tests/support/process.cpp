#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace nvx::test {
namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> merged;
  for (char** e = environ; *e; ++e) merged.emplace_back(*e);
  for (const std::string& add : extra) {
    const std::string name = add.substr(0, add.find('=') + 1);
    std::erase_if(merged, [&](const std::string& s) { return s.starts_with(name); });
    merged.push_back(add);
  }
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

pid_t StartProcess(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment, const std::filesystem::path& out,
                   const std::filesystem::path& err) {
  std::vector<std::string> args = argv;
  std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char*> argp = Pointers(args);
  std::vector<char*> envp = Pointers(env);

  // Everything the child needs is made before the fork: between fork and exec it only opens,
  // duplicates and asks to die with the test, so a test killed by its time limit leaves no server.
  const bool sameFile = err == out;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  const int in = open("/dev/null", O_RDONLY);
  const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const int errFd = sameFile ? outFd : open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (in < 0 || outFd < 0 || errFd < 0) _exit(127);
  dup2(in, 0);
  dup2(outFd, 1);
  dup2(errFd, 2);
  execve(argp[0], argp.data(), envp.data());
  _exit(127);
}

int WaitForProcess(pid_t pid) {
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int WaitForProcessWithin(pid_t pid, int limitSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace nvx::test
