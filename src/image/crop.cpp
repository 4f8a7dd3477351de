#include "image/crop.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "image/intake.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr int kBorderPx = 2;
constexpr std::size_t kBytesPerPixel = 5;

struct Box {
  int left;
  int top;
  int right;
  int bottom;
  int Width() const { return right - left + 1; }
  int Height() const { return bottom - top + 1; }
};

bool IsContent(const std::uint8_t* pixel, bool hasTransparency) {
  if (hasTransparency) return pixel[4] != 0;
  return pixel[0] != 0 || pixel[1] != 0 || pixel[2] != 0 || pixel[3] != 0;
}

// The smallest box holding every content pixel; empty (left > right) when none.
Box ContentBox(const WorkingImage& image) {
  Box box{image.widthPx, image.heightPx, -1, -1};
  const std::uint8_t* pixel = image.buffer.data();
  for (int row = 0; row < image.heightPx; ++row) {
    for (int column = 0; column < image.widthPx; ++column, pixel += kBytesPerPixel) {
      if (!IsContent(pixel, image.hasTransparency)) continue;
      box.left = std::min(box.left, column);
      box.right = std::max(box.right, column);
      box.top = std::min(box.top, row);
      box.bottom = std::max(box.bottom, row);
    }
  }
  return box;
}

void CopyBox(WorkingImage& image, const Box& box, const UiHooks& hooks) {
  const std::size_t rowBytes = static_cast<std::size_t>(box.Width()) * kBytesPerPixel;
  RasterBytes kept(rowBytes * static_cast<std::size_t>(box.Height()));
  for (int row = box.top; row <= box.bottom; ++row) {
    const std::size_t from =
        (static_cast<std::size_t>(row) * image.widthPx + box.left) * kBytesPerPixel;
    std::copy_n(image.buffer.begin() + static_cast<std::ptrdiff_t>(from), rowBytes,
                kept.begin() + static_cast<std::ptrdiff_t>((row - box.top) * rowBytes));
    hooks.Progress(50 * (row - box.top + 1) / box.Height());
  }
  image.buffer = std::move(kept);
}

}  // namespace

bool CropToContent(WorkingImage& image, const UiHooks& hooks) {
  const std::size_t pixels =
      static_cast<std::size_t>(std::max(image.widthPx, 0)) * std::max(image.heightPx, 0);
  if (pixels == 0 || image.buffer.size() != pixels * kBytesPerPixel || image.imageWidthPt <= 0 ||
      image.imageHeightPt <= 0) {
    return false;
  }
  const float pixelsPerInchX = image.widthPx / (image.imageWidthPt / 72);
  const float pixelsPerInchY = image.heightPx / (image.imageHeightPt / 72);
  Box box = ContentBox(image);
  if (box.right < 0) return false;
  box = {std::max(box.left - kBorderPx, 0), std::max(box.top - kBorderPx, 0),
         std::min(box.right + kBorderPx, image.widthPx - 1),
         std::min(box.bottom + kBorderPx, image.heightPx - 1)};
  if (box.Width() >= image.widthPx || box.Height() >= image.heightPx) return false;
  hooks.Progress(0);
  CopyBox(image, box, hooks);
  image.widthPx = box.Width();
  image.heightPx = box.Height();
  image.imageWidthPt = image.widthPx / pixelsPerInchX * 72;
  image.imageHeightPt = image.heightPx / pixelsPerInchY * 72;
  return true;
}

long long ReadCropMode(const SettingsFiles& settings) {
  return ReadSettingNumber(settings, keys::kActive, kCropKey);
}

void ApplyCropMode(long long notedCropMode, WorkingImage& image, const SettingsFiles& settings,
                   const UiHooks& hooks) {
  if (notedCropMode <= 0) return;
  CropToContent(image, hooks);
  WriteSetting(settings, keys::kActive, kCropKey, "1");
}

}  // namespace nvx
