#pragma once

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

// Runs Ghostscript on a job file at 72 dpi into a raw CMYK page; returns gs's
// exit status and fills `log` with what it printed.
int RenderJob(const std::filesystem::path& job, const std::filesystem::path& raster,
              std::string& log);

}  // namespace nvx::test
