#pragma once

#include "job/image_document.h"
#include "job/print_session.h"

namespace nvx::app {

// The window's print session and its image: the same core the command line
// prints through. While the window is busy a worker thread owns both; the
// window touches them only in between.
struct WindowWork {
  PrintSession session;
  ImageDocument document;
  bool fitRequested = false;    // "Fit to Page" pressed: fit before the next preview
  bool orientedMirror = false;  // the switches the grid was last oriented with
  bool orientedRotate = false;
};

}  // namespace nvx::app
