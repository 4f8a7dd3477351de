#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nvx::test {

struct GhostscriptRun {
  int status = -1;     // gs's exit status
  std::string output;  // what the jobs printed on the back channel, and gs's own messages
};

// Runs Ghostscript (-dSAFER, 72 dpi, 8 bits a colour) over the files in order
// and writes the device's pages to `raster`.
GhostscriptRun RunGhostscript(const std::vector<std::filesystem::path>& files,
                              const std::filesystem::path& raster,
                              const std::vector<std::string>& extraArgs = {},
                              const std::string& device = "bitcmyk");

}  // namespace nvx::test
