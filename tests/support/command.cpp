#include "support/command.h"

#include "support/ghostscript.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx::test {

CliResult RunNvxprint(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  return RunNvxprintWithin(args, env, 0);
}

CliResult RunNvxprintWithin(const std::vector<std::string>& args,
                            const std::vector<std::string>& env, int limitSeconds) {
  TempFolder logs;  // the output files start empty: the child appends to them
  std::vector<std::string> argv{NVX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  CliResult result;
  const pid_t pid = StartProcess(argv, env, logs / "out", logs / "err");
  result.status = limitSeconds > 0 ? WaitForProcessWithin(pid, limitSeconds) : WaitForProcess(pid);
  result.out = ReadFileBytes(logs / "out");
  result.err = ReadFileBytes(logs / "err");
  return result;
}

int RenderJob(const std::filesystem::path& job, const std::filesystem::path& raster,
              std::string& log) {
  GhostscriptRun run = RunGhostscript({job}, raster);
  log = run.output;
  return run.status;
}

}  // namespace nvx::test
