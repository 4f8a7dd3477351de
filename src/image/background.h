#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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

// The same decision for one pixel at a time, for pixels read where the decoder
// left them: the alpha a pixel prints with. `first` is the upright image's
// top-left pixel (RGBA).
class BackgroundRule {
 public:
  BackgroundRule() = default;
  BackgroundRule(const std::uint8_t* first, bool removal, long long tolerance, int formatClass,
                 bool transparencyAlwaysCounts);
  std::uint8_t Alpha(const std::uint8_t* pixel) const {
    if (mode_ == Mode::Keep) return pixel[3];
    if (mode_ == Mode::Opaque) return 255;
    return Removes(pixel) ? 0 : pixel[3];
  }
  bool KeepsEveryAlpha() const { return mode_ == Mode::Keep; }

 private:
  enum class Mode { Keep, Opaque, Remove };
  bool Removes(const std::uint8_t* pixel) const;

  Mode mode_ = Mode::Keep;
  std::array<std::uint8_t, 3> reference_{};
  std::array<long long, 3> centres_{};
  long long tolerance_ = 0;
  bool useTolerance_ = false;
};

// Whether any of the RGBA pixels has alpha below 50: image.hasTransparency.
bool FindTransparency(const std::uint8_t* rgba, std::size_t pixels);

}  // namespace nvx
