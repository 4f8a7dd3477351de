#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace nvx::test {

// Starts argv[0] (a path) with standard input closed and standard output and
// error appended to the given files (the same file for both when they are
// equal). `environment` entries NAME=VALUE replace or add to this process's.
// Returns the child's pid, or -1 when it could not start.
pid_t StartProcess(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment, const std::filesystem::path& out,
                   const std::filesystem::path& err);

// Waits for the child; its exit status, or 128 + the signal that ended it.
int WaitForProcess(pid_t pid);

// The same, but a child still running after `limitSeconds` is killed and -1
// returned: a test of something that must not hang fails instead of hanging.
int WaitForProcessWithin(pid_t pid, int limitSeconds);

}  // namespace nvx::test
