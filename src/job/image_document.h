#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "image/colour.h"
#include "image/preview.h"
#include "image/separation.h"
#include "image/streamed_grid.h"
#include "image/working_image.h"
#include "job/layout.h"
#include "job/print_session.h"
#include "postscript/job_writer.h"

namespace nvx {

// The image side of the main window: the working image, its print-orientation
// grid, the profiles it was converted with, and the copies layout.
struct ImageDocument {
  WorkingImage image;
  OrientedImage grid;
  ProfilePair profiles;
  ColourAdjustTable table;
  PreviewState preview;
  Placement placement;
  bool loaded = false;
  std::string file;  // the file it was loaded from
  // Set before the load by a command that prints the image once: the load
  // keeps the decoder's pixels where they are (unless the image is trimmed),
  // and the job makes its rows from them a band at a time, so nothing
  // image-sized is ever made. The image then has no pixels and the grid only
  // its sizes.
  bool streamPrint = false;
  int streamBandRows = 0;  // 0: the usual band height
  std::shared_ptr<DecodedPixels> decoded;
  std::shared_ptr<TransformCache> transform;  // the print's, built at load
};

// Loads the file and converts it to the printer's colours: what the window's
// Open command does up to the orientation step. The page fit may set live.rotate;
// the copies boxes go back to 1 x 1. With `cropToContent` the image is trimmed
// to its content before the conversion (and crop mode is stored as on).
// `conversions` (optional) keeps the colour transform for the next load.
Status LoadImageDocument(PrintSession& session, ImageDocument& document, const std::string& file,
                         bool cropToContent = false, TransformCache* conversions = nullptr);

// The window caption "TITLE - NAME", from which the job's title and the print's
// document name are taken; the load names the document after its file.
void NameDocument(PrintSession& session, std::string_view name);

// What "Flip" does with an image loaded: reload the file with the new Flip,
// keep "Rotate" as it was, and trim it again when crop mode was on.
Status ReloadForFlip(PrintSession& session, ImageDocument& document);

// The orientation step, for the current Mirror, Flip and Rotate, then the
// colour-adjust curves. `keepImage` false lets the loaded pixels go once the
// grid holds them (a command never turns the image again).
Status OrientImage(PrintSession& session, ImageDocument& document, bool keepImage);

// The placement step on a preview area of the given size.
void PlaceOnPage(PrintSession& session, ImageDocument& document,
                 int areaWidthPx = kDefaultPreviewWidthPx,
                 int areaHeightPx = kDefaultPreviewHeightPx);

// Separation, tiling and the job text. With `releaseGrid` the grid is used up:
// the planes are made in its memory and the job's rows are laid out from them
// while the job is sent (PrintJob::rows), to keep the peak memory down. A print
// in which nothing would receive toner is refused, not sent as a blank page,
// unless the statistics option asks to cost it without printing.
Result<PrintJob> BuildImageJob(PrintSession& session, ImageDocument& document, bool releaseGrid);

// The preview area as the window shows it: the page on the substrate, with
// every copy drawn where the placement put it.
PreviewBitmap RenderPagePreview(PrintSession& session, ImageDocument& document, int substrate);

// True when the image has transparent areas and "Background Removal" is off:
// those areas print the colour the file stores under them, which the user
// should be told.
bool PrintsHiddenColours(const PrintSession& session, const ImageDocument& document);

// What drawing the page preview reads, copied from the session and the document,
// so that it can be drawn on another thread while they change. Only the grid is
// shared: it must stay as it is until the drawing ends.
struct PagePreviewRequest {
  const OrientedImage* grid = nullptr;
  ProfilePair profiles;
  ColourAdjustTable table;
  LiveSettings live;
  Placement placement;
  PreviewOptions options;  // one copy's size
  TextTable text;
};

// A request for another thread: the pattern is read from the stored settings,
// and a failure draws nothing instead of asking the user.
PagePreviewRequest PreparePagePreview(PrintSession& session, ImageDocument& document,
                                      int substrate);
// `state` keeps the screen transform and the buffers from one drawing to the next.
PreviewBitmap DrawPagePreview(const PagePreviewRequest& request, PreviewState& state);

// The printed size in the display unit, for "X Size" and "Y Size".
void ShowPrintSize(PrintSession& session, const ImageDocument& document);

}  // namespace nvx
