#pragma once

#include "image/working_image.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

// Trims a converted image (5-byte C M Y K A pixels) to its content, with a
// border of 2 pixels kept on every side. Content is every pixel with alpha
// above 0 when the image has transparency, else every pixel with some ink.
// The printed size shrinks with the pixels at the same pixel density. Nothing
// changes unless the trimmed image is both narrower and lower than before.
// Returns whether the image was trimmed.
bool CropToContent(WorkingImage& image, const UiHooks& hooks);

// The stored crop mode (key "Crop"). A load resets it to 0, so the caller
// notes it before reloading.
long long ReadCropMode(const SettingsFiles& settings);

// After a reload for "Flip": trims the image when the crop mode noted before
// the reload was above 0 and stores the mode as 1 again.
void ApplyCropMode(long long notedCropMode, WorkingImage& image, const SettingsFiles& settings,
                   const UiHooks& hooks);

}  // namespace nvx
