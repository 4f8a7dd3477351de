#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "image/working_image.h"
#include "lang/text_table.h"
#include "platform/byte_sink.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

struct TiledImage;

// What the job writer needs beyond the live settings.
struct JobEnvironment {
  const SettingsFiles& settings;
  const TextTable& text;
  const UiHooks& hooks;
  std::string modelKey;
  int familyCode = 0;
  // The "%%CreationDate:" value; empty means now (CreationDateNow()).
  std::string creationDate = {};
};

// The tiled raster of all copies: cols x rows pixels, five plane rows per
// image row, and its place on the page.
struct TiledImage {
  RasterBytes data;  // xPixel * yPixel * 5 bytes
  int xPixel = 0;
  int yPixel = 0;
  float xPoint = 0;
  float yPoint = 0;
  int left = 0;  // the grid's distance from the page's left and top edges, points
  int top = 0;
};

// What became of a job: made and ready to send, or only costed (the print
// session does that when the statistics option asks for the estimate alone).
enum class JobOutcome { Made, CostedOnly };

// A job as the spooler receives it: header, raw image data, trailer (then 0x04).
// The data is either held whole or, for a job too large to hold twice, made
// row by row as the job is sent (`rows`).
struct PrintJob {
  JobOutcome outcome = JobOutcome::Made;
  std::string header;
  RasterBytes data;  // run-length encoded when runLength is set
  std::string trailer;
  bool runLength = false;
  // Set instead of `data`: writes the data, encoded as `data` would be.
  platform::PieceWriter rows = {};
  // With `rows`: the byte sums of the first four plane rows over the whole
  // raster, what costing the sent job reads instead of the data.
  std::array<std::uint64_t, 4> rowSums{};
  // With `rows` made from an image still being decoded: waits until all of it
  // is there, or returns why it never will be (also after `rows` stopped).
  std::function<Status()> sourceReady = {};

  bool ok() const { return outcome == JobOutcome::Made; }
};

// Builds the print job for the tiled image, whose data moves into the job
// (run-length encoded when live.compactRaster is on). Writes the corrected
// copies count back to live.copies.
PrintJob BuildPrintJob(const JobEnvironment& env, LiveSettings& live, TiledImage image);

// The same job with its raster's rows made while it is sent: `image` gives
// the sizes and place (its data is not read), `rows` writes the raster's rows
// top first, unencoded. The bytes sent are those BuildPrintJob would send.
PrintJob BuildPrintJob(const JobEnvironment& env, LiveSettings& live, const TiledImage& image,
                       platform::PieceWriter rows);

// The blank-page job: a 20 x 20 image whose 2000 zero bytes (filled in here)
// feed one sheet through the printer without toner. Also corrects live.copies.
PrintJob BuildBlankJob(const JobEnvironment& env, LiveSettings& live);

// The pieces the spooler receives, in order: header, data, trailer and the
// closing end-of-job byte. Files, CUPS queues and tests all take these.
std::array<platform::PieceWriter, 4> SpoolPieces(const PrintJob& job);
std::vector<std::uint8_t> SpoolBytes(const PrintJob& job);

inline constexpr int kMinCopies = 1;
inline constexpr int kMaxCopies = 99;

// The copies box's text read as a number, rounded and held to 1..99.
int CopiesCount(std::string_view copiesText);

// The window caption without the product prefix that stands before the image name.
std::string JobTitle(std::string_view caption);

}  // namespace nvx
