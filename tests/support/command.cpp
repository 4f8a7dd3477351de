#include "support/command.h"

#include "support/ghostscript.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx::test {
namespace {

// Output files start empty: the child appends to them.
int Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
        const std::filesystem::path& out, const std::filesystem::path& err) {
  return WaitForProcess(StartProcess(argv, env, out, err));
}

}  // namespace

CliResult RunNvxprint(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  TempFolder logs;
  std::vector<std::string> argv{NVX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  CliResult result;
  result.status = Run(argv, env, logs / "out", logs / "err");
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
