#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/result.h"
#include "image/preview.h"
#include "image/separation.h"
#include "image/working_image.h"
#include "pattern/pattern_settings.h"
#include "pattern/shape_record.h"
#include "settings/live_settings.h"
#include "settings/ui_hooks.h"

namespace nvx {

enum class PatternShapeKind { Ellipse, Rectangle, Library };

// The shape a pattern repeats.
struct PatternShape {
  PatternShapeKind kind = PatternShapeKind::Ellipse;
  ShapeRecord record;  // for Library
};

// The shape a "Shape" setting names: one containing "ellipse" or "rectangle"
// (letter case ignored) is that built-in shape, any other is looked up in the
// library; a name the library lacks, or a record with nothing to draw, gives
// the ellipse.
PatternShape ResolvePatternShape(std::string_view shapeSetting,
                                 const std::filesystem::path& library);

// The image the plane is for, as loaded (before Mirror, Flip and Rotate).
struct MaskRequest {
  int widthPx = 0;
  int heightPx = 0;
  double pixelsPerMm = 0;
  bool mirror = false;
  bool flip = false;
  bool rotate = false;
};

// One byte a pixel, 255 where the canvas is white and 0 where it is black,
// rows in print orientation: the plane is drawn on the image as loaded and
// then turned and mirrored as the image is, so each shape stays on the same
// image pixels whatever the orientation. Fails with kind OutOfMemory (and the
// memory message) when the plane does not fit.
Result<std::vector<std::uint8_t>> GenerateMaskPlane(const PatternSettings& settings,
                                                    const PatternShape& shape,
                                                    const MaskRequest& request,
                                                    const UiHooks& hooks);

// Pixels per millimetre of the loaded image at its printed size.
double ImagePixelsPerMm(const WorkingImage& image);

// The mask for the separation: reads the settings and the library when the
// print asks for it. It throws std::bad_alloc when the plane does not fit in
// memory, which the separation reports with its memory message.
PatternMaskSource PrintMaskSource(const SettingsFiles& files, const std::filesystem::path& library,
                                  const WorkingImage& image, const LiveSettings& live,
                                  const UiHooks& hooks);

// The mask for the preview ("Pattern Preview"): the print's pattern at the
// preview's scale, for a preview of width x height pixels in print orientation.
// An empty mask when it does not fit in memory.
PreviewMaskSource PreviewMaskSourceFor(const SettingsFiles& files,
                                       const std::filesystem::path& library,
                                       const WorkingImage& image, const LiveSettings& live);

}  // namespace nvx
