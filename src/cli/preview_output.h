#pragma once

#include <string>

#include "cli/cli_options.h"
#include "image/preview.h"

namespace nvx::app {

struct PreviewArea {
  int width = 310;  // the main window's preview area at its default size
  int height = 438;
  int substrate = kWhiteSubstrate;
};

// Reads --size WxH and --background N; false after a message when either is off.
bool ParsePreviewArea(const CommandOptions& options, PreviewArea& area);

// Saves the picture as PNG, atomically. Returns the exit status.
int WritePreviewPng(const std::string& path, const PreviewBitmap& bitmap);

}  // namespace nvx::app
