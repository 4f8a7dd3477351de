#pragma once

#include <memory>

#include "job/image_document.h"
#include "job/print_session.h"

namespace nvx::app {

// The window's print session and its image: the same core the command line
// prints through. Only the user-interface thread touches the session; a worker
// gets a copy of it and takes the image along (`document` is empty meanwhile),
// and both come back when it ends.
struct WindowWork {
  PrintSession session;
  std::shared_ptr<ImageDocument> document = std::make_shared<ImageDocument>();
  bool fitRequested = false;    // "Fit to Page" pressed: fit before the next preview
  bool orientedMirror = false;  // the switches the grid was last oriented with
  bool orientedRotate = false;
};

}  // namespace nvx::app
