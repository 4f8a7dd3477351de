#include "support/ghostscript.h"

#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx::test {

GhostscriptRun RunGhostscript(const std::vector<std::filesystem::path>& files,
                              const std::filesystem::path& raster,
                              const std::vector<std::string>& extraArgs,
                              const std::string& device) {
  TempFolder logs;
  std::vector<std::string> argv{NVX_GS,
                                "-q",
                                "-dSAFER",
                                "-dBATCH",
                                "-dNOPAUSE",
                                "-sDEVICE=" + device,
                                "-dGrayValues=256",
                                "-dUseFastColor=true",
                                "-r72"};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  argv.push_back("-sOutputFile=" + raster.string());
  for (const auto& file : files) argv.push_back(file.string());
  GhostscriptRun run;
  run.status = WaitForProcess(StartProcess(argv, {}, logs / "out", logs / "out"));
  run.output = ReadFileBytes(logs / "out");
  return run;
}

}  // namespace nvx::test
