#pragma once

#include <cstdlib>

#include "fuzz_support.h"
#include "job/print_session.h"

namespace nvx::fuzz {

// One print session for the whole run, with its settings in the scratch folder.
inline PrintSession& Session() {
  static PrintSession& session = []() -> PrintSession& {
    const std::filesystem::path home = ScratchFolder() / "home";
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
    static PrintSession opened;
    Check(OpenPrintSession(opened, "C711WT").ok(), "the session opens");
    return opened;
  }();
  return session;
}

}  // namespace nvx::fuzz
