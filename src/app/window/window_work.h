#pragma once

#include "app/cli_session.h"
#include "app/print_path.h"

namespace nvx::app {

// The image side of the window: the core's session and the working image,
// kept between a load, the previews and a print. While the window is busy a
// worker thread owns it; the window touches it only in between.
struct WindowWork {
  CliSession session;
  PrintPath path;
  bool fitRequested = false;    // "Fit to Page" pressed: fit before the next preview
  bool orientedMirror = false;  // the switches the grid was last oriented with
  bool orientedRotate = false;
};

}  // namespace nvx::app
