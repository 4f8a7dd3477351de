#include "image/background.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace nvx {
namespace {

constexpr int kTransparentBelow = 50;
constexpr std::size_t kProgressEveryPixels = 5000;

using Rgb = std::array<std::uint8_t, 3>;

// Centre of the tolerance window per channel, kept far enough from 0 and 255
// that the window stays inside the byte range; the upper limit wins.
std::array<long long, 3> ToleranceCentres(const Rgb& reference, long long tolerance) {
  std::array<long long, 3> centres{};
  for (int c = 0; c < 3; ++c) {
    centres[c] = reference[c];
    if (reference[c] < tolerance) centres[c] = tolerance;
    if (tolerance + reference[c] > 255) centres[c] = 256 - tolerance;
  }
  return centres;
}

bool WithinTolerance(const std::uint8_t* pixel, const std::array<long long, 3>& centres,
                     long long tolerance) {
  for (int c = 0; c < 3; ++c) {
    if (pixel[c] <= centres[c] - tolerance || pixel[c] >= centres[c] + tolerance) return false;
  }
  return true;
}

}  // namespace

bool FindTransparency(const std::uint8_t* rgba, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i) {
    if (rgba[4 * i + 3] < kTransparentBelow) return true;
  }
  return false;
}

BackgroundRule::BackgroundRule(const std::uint8_t* first, bool removal, long long tolerance,
                               int formatClass, bool transparencyAlwaysCounts) {
  // Vector artwork has no background to remove: its paper is transparent, and
  // this is the one case where a file's transparency counts with removal off.
  if (transparencyAlwaysCounts) return;
  if (!removal) {
    mode_ = Mode::Opaque;
    return;
  }
  // A transparent first pixel is the file's own background: its transparency
  // stands, and its colour (often stored as black) must not take every opaque
  // pixel of that colour with it.
  if (first[3] < kTransparentBelow) return;
  mode_ = Mode::Remove;
  reference_ = {first[0], first[1], first[2]};
  // Beyond these bounds the window is empty or takes every value anyway.
  tolerance_ = std::clamp<long long>(tolerance, -1, 256);
  useTolerance_ = formatClass != 1;
  centres_ = ToleranceCentres(reference_, tolerance_);
}

bool BackgroundRule::Removes(const std::uint8_t* pixel) const {
  const bool exact =
      pixel[0] == reference_[0] && pixel[1] == reference_[1] && pixel[2] == reference_[2];
  return exact || (useTolerance_ && WithinTolerance(pixel, centres_, tolerance_));
}

void RemoveBackground(WorkingImage& image, bool removal, long long tolerance,
                      const UiHooks& hooks) {
  const std::size_t pixels =
      static_cast<std::size_t>(image.widthPx) * static_cast<std::size_t>(image.heightPx);
  if (image.widthPx <= 0 || image.heightPx <= 0 || image.buffer.size() < 4 * pixels) return;
  std::uint8_t* rgba = image.buffer.data();
  hooks.Progress(2);
  image.hasTransparency = FindTransparency(rgba, pixels);
  const BackgroundRule rule(rgba, removal, tolerance, image.formatClass,
                            image.transparencyAlwaysCounts);
  if (rule.KeepsEveryAlpha()) return;
  const std::size_t hundredth = image.buffer.size() / 100;
  for (std::size_t i = 0; i < pixels; ++i) {
    std::uint8_t* pixel = rgba + 4 * i;
    pixel[3] = rule.Alpha(pixel);
    if (removal && i % kProgressEveryPixels == 0 && hundredth > 0) {
      hooks.Progress(static_cast<int>(4 * i / hundredth));
    }
  }
}

}  // namespace nvx
