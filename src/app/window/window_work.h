#pragma once

namespace nvx::app {

// The image side of the window: what the core keeps between a load, the
// previews and a print.
struct WindowWork {
  bool fitRequested = false;  // "Fit to Page" pressed: fit before the next preview
};

}  // namespace nvx::app
