#include "app/job_output.h"

#include <array>
#include <iostream>
#include <string_view>

#include "app/commands.h"
#include "platform/atomic_file.h"

namespace nvx::app {

int WriteJobFile(const std::string& path, const PrintJob& job) {
  static constexpr char kEndOfJob = 0x04;
  const std::array<std::string_view, 4> pieces{
      job.header, std::string_view(reinterpret_cast<const char*>(job.data.data()), job.data.size()),
      job.trailer, std::string_view(&kEndOfJob, 1)};
  std::string error = platform::WriteFileAtomically(path, pieces);
  if (!error.empty()) {
    std::cerr << "nvxprint: cannot write " << path << ": " << error << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace nvx::app
