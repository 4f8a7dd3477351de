#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "image/image_format.h"
#include "image/streamed_grid.h"
#include "image/working_image.h"
#include "lang/text_table.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

inline constexpr std::string_view kCropKey = "Crop";
inline constexpr std::string_view kFailedToConvertText = "Failed to Convert Image";
inline constexpr std::string_view kUnreadableImageText = "The image file could not be read.";
inline constexpr std::string_view kUnableToOpenText = "UNABLE TO OPEN FILE";

// What the load reads from the main window.
struct LoadOptions {
  bool flip = false;               // "Flip": the image is loaded upside down
  bool backgroundRemoval = false;  // "Background Removal"
  float printableWidthPt = 0;      // printable area of the current paper
  float printableHeightPt = 0;
  RenderRequest render = {};  // vector artwork: the render resolution and the page
  // A print that reads the decoder's pixels where they are (MakeGridBands):
  // the working image gets no pixels, LoadedImage::decoded holds them.
  bool keepDecoded = false;
};

// A loaded image: the new working image, RGBA, fitted to the page.
struct LoadedImage {
  WorkingImage image;
  bool rotate = false;   // the new state of "Rotate": the page fit turned the image
  std::string zoomText;  // the "Zoom" field
  // With LoadOptions::keepDecoded: the pixels, read in place; image.buffer is empty.
  std::shared_ptr<DecodedPixels> decoded;
};

// Loads an image file into a new working image: the file's content decides
// its format, a child process decodes it (a decoder's crash or hang ends only
// that), the Exif orientation stands it upright; then the resolution from the
// file, background removal and the page fit. Every load leaves crop mode
// (the "Crop" setting becomes 0) and the caller resets the copy counts to 1.
// Colour conversion and the orientation step are the caller's to run next.
// Progress and status texts go through `hooks`; a failure only comes back in
// the result, for the caller to show (the previous image stays). Out of
// memory fails with Failure::Kind::OutOfMemory: the program (or command) ends.
Result<LoadedImage> LoadImageFile(std::string_view path, const LoadOptions& options,
                                  const SettingsFiles& settings, const TextTable& texts,
                                  const UiHooks& hooks);

// width x height x 5 bytes, left for the loader to fill, or nothing when that
// size overflows or cannot be allocated.
std::optional<RasterBytes> AllocateImageBuffer(long long width, long long height);

}  // namespace nvx
