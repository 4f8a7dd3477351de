#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

// What the job writer needs beyond the live settings.
struct JobEnvironment {
  const SettingsFiles& settings;
  const TextTable& text;
  const UiHooks& hooks;
  std::string modelKey;
  int familyCode = 0;
};

// The tiled raster of all copies: cols x rows pixels, five plane rows per
// image row, and its place on the page.
struct TiledImage {
  std::vector<std::uint8_t> data;  // xPixel * yPixel * 5 bytes
  int xPixel = 0;
  int yPixel = 0;
  float xPoint = 0;
  float yPoint = 0;
  int left = 0;  // the grid's distance from the page's left and top edges, points
  int top = 0;
};

// A job as the spooler receives it: header, raw image data, trailer (then 0x04).
struct PrintJob {
  bool ok = false;  // false: nothing is to be sent (any message has been shown)
  std::string header;
  std::vector<std::uint8_t> data;
  std::string trailer;
};

// Builds the print job for the tiled image. Writes the "Stats" sizes, honours
// the cost-only option, and writes the corrected copies count back to live.copies.
PrintJob BuildPrintJob(const JobEnvironment& env, LiveSettings& live, TiledImage image);

// The blank-page job: a 20 x 20 image of 2000 zero bytes feeds one sheet.
PrintJob BuildBlankJob(const JobEnvironment& env, LiveSettings& live);

// The bytes the spooler receives: header, data, trailer and the closing 0x04.
std::vector<std::uint8_t> SpoolBytes(const PrintJob& job);

}  // namespace nvx
