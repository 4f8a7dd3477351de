#pragma once

#include "image/working_image.h"
#include "settings/ui_hooks.h"

namespace nvx {

// Runs on the RGBA pixels right after loading. Records whether any pixel has
// alpha below 50 (image.hasTransparency). With `removal` off every alpha becomes
// 255, so a file's own transparency prints. With it on, pixels of exactly the
// top-left colour become transparent, and for image.formatClass other than 1
// (JPEG and unknown kinds) also those within `tolerance` (the stored "JPEG
// Artifact") of it on every channel, to take compression noise with them.
// Vector artwork (image.transparencyAlwaysCounts) keeps its alpha either way.
void RemoveBackground(WorkingImage& image, bool removal, long long tolerance, const UiHooks& hooks);

}  // namespace nvx
