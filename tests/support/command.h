#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace nvx::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the nvxprint binary with the given arguments and environment additions
// (NAME=VALUE), standard input closed, and collects its output.
CliResult RunNvxprint(const std::vector<std::string>& args, const std::vector<std::string>& env);
// The same for a run that must end within `limitSeconds`: status -1 when it did not.
CliResult RunNvxprintWithin(const std::vector<std::string>& args,
                            const std::vector<std::string>& env, int limitSeconds);

// The environment of a run that keeps to `home`: a first run's empty settings
// folders there, a fixed date, and the program's data from the build tree.
inline std::vector<std::string> IsolatedEnv(const std::filesystem::path& home,
                                            const std::string& shareDir) {
  return {"XDG_CONFIG_HOME=" + (home / "config").string(),
          "XDG_CONFIG_DIRS=" + (home / "etc").string(), "SOURCE_DATE_EPOCH=1765000000",
          "NVXPRINT_DATA_DIR=" + shareDir};
}

// The same for code run in the test itself: sets the variables in this process.
inline void UseIsolatedEnv(const std::filesystem::path& home, const std::string& shareDir) {
  for (const std::string& assignment : IsolatedEnv(home, shareDir)) {
    const std::size_t equals = assignment.find('=');
    setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
  }
}

// Runs Ghostscript on a job file at 72 dpi into a raw CMYK page; returns gs's
// exit status and fills `log` with what it printed.
int RenderJob(const std::filesystem::path& job, const std::filesystem::path& raster,
              std::string& log);

}  // namespace nvx::test
