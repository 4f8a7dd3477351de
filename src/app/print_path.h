#pragma once

#include <string>

#include "app/cli_session.h"
#include "image/colour.h"
#include "image/preview.h"
#include "image/separation.h"
#include "image/working_image.h"
#include "postscript/job_writer.h"
#include "postscript/layout.h"

namespace nvx::app {

// The image side of the main window: the working image, its print-orientation
// grid, the profiles it was converted with, and the copies layout.
struct PrintPath {
  WorkingImage image;
  OrientedImage grid;
  ProfilePair profiles;
  ColourAdjustTable table;
  PreviewState preview;
  Placement placement;
  bool loaded = false;
  std::string profileIn;  // the command line's --icc-in / --icc-out; empty: the settings'
  std::string profileOut;
};

enum class PathStatus { Ok, Failed, OutOfMemory };

// Loads the file and converts it to the printer's colours: what the window's
// Open command does up to the orientation step. The page fit may set live.rotate.
PathStatus LoadAndConvert(CliSession& session, PrintPath& path, const std::string& file);

// The orientation step, for the current Mirror, Flip and Rotate, then the
// colour-adjust curves. `keepImage` false lets the loaded pixels go once the
// grid holds them (the command line never turns the image again).
PathStatus Orient(CliSession& session, PrintPath& path, bool keepImage);

// The placement step on a preview area of the given size.
void PlaceOnPage(CliSession& session, PrintPath& path, int areaWidthPx, int areaHeightPx);

// Separation, tiling and the job text. The grid is released when `releaseGrid`
// is set, as soon as the planes are made, to keep the peak memory down.
PrintJob BuildImageJob(CliSession& session, PrintPath& path, bool releaseGrid);

// The preview area as the window shows it: the page on the substrate, with
// every copy drawn where the placement put it.
PreviewBitmap RenderPagePreview(CliSession& session, PrintPath& path, int substrate);

// The printed size in the display unit, for "X Size" and "Y Size".
void ShowPrintSize(CliSession& session, const PrintPath& path);

}  // namespace nvx::app
