#pragma once

#include <string>

#include "postscript/job_writer.h"

namespace nvx::app {

// Writes exactly the bytes the spooler would receive to `path`, atomically:
// on failure nothing is left behind. Returns the command's exit status.
int WriteJobFile(const std::string& path, const PrintJob& job);

}  // namespace nvx::app
