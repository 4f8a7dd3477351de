#pragma once

#include <cstdlib>

#include "support/temp_folder.h"

namespace nvx::test {

// Points this process's settings folders into `home` (a first run: nothing
// there yet) and its data folder at the build's, as a new user's would be.
inline void UseFreshConfig(const TempFolder& home) {
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
  setenv("NVXPRINT_DATA_DIR", NVX_SHARE_DIR, 1);
}

}  // namespace nvx::test
