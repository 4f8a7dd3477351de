#include "app/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "support/temp_folder.h"

extern char** environ;

namespace nvx::test {
namespace {

int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
          const std::filesystem::path& outFile, const std::filesystem::path& errFile) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
  for (const std::string& add : extraEnv) {
    std::string name = add.substr(0, add.find('=') + 1);
    std::erase_if(envStrings, [&](const std::string& s) { return s.starts_with(name); });
    envStrings.push_back(add);
  }
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& s : args) argp.push_back(s.data());
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

CliResult RunNvxprint(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  TempFolder logs;
  std::vector<std::string> argv{NVX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  CliResult result;
  result.status = Spawn(argv, env, logs / "out", logs / "err");
  result.out = ReadFileBytes(logs / "out");
  result.err = ReadFileBytes(logs / "err");
  return result;
}

int RenderJob(const std::filesystem::path& job, const std::filesystem::path& raster,
              std::string& log) {
  TempFolder logs;
  std::vector<std::string> argv{NVX_GS,
                                "-q",
                                "-dSAFER",
                                "-dBATCH",
                                "-dNOPAUSE",
                                "-sDEVICE=bitcmyk",
                                "-dGrayValues=256",
                                "-dUseFastColor=true",
                                "-r72",
                                "-sOutputFile=" + raster.string(),
                                job.string()};
  int status = Spawn(argv, {}, logs / "out", logs / "err");
  log = ReadFileBytes(logs / "out") + ReadFileBytes(logs / "err");
  return status;
}

}  // namespace nvx::test
