#pragma once

#include <string>

#include "base/product.h"

namespace nvx::app {

inline constexpr std::string_view kInstanceName = kProductFolderName;

// Runs the program with its window: start-up checks, the window (with `file`
// opened when it is not empty) and the writes at exit. A second start hands
// `file` to the running window and ends at once. `filesLeft` other files given
// with `file` are not opened, and the status bar says so. Returns the exit status.
int RunWindow(int argc, char** argv, const std::string& file, int filesLeft = 0);

}  // namespace nvx::app
