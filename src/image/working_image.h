#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace nvx {

// Leaves new elements uninitialised, for buffers filled right after they are
// made: each page is then first touched by the thread that fills it.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
  template <class U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
};

// Bytes of an image-sized buffer that its maker fills whole: fresh pages come
// zeroed from the kernel, and zeroing them again would touch them twice.
using RasterBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

// The one working image, from a successful load to the next.
struct WorkingImage {
  // RGBA (4 bytes a pixel) after loading, C M Y K A (5 bytes a pixel) after
  // colour conversion; rows top first.
  RasterBytes buffer;
  int widthPx = 0;   // ImageWidthPx
  int heightPx = 0;  // ImageHeightPx
  float dpiX = 300;  // resolution after the page fit
  float dpiY = 300;
  int formatClass = 0;           // 1 png/gif/tif/bmp/psd, 2 jpg, 0 other
  bool hasTransparency = false;  // the transparency scan found a pixel with alpha below 50
  // Vector artwork: its transparent paper counts whatever Background Removal
  // says, so nothing prints where the page is empty.
  bool transparencyAlwaysCounts = false;
  int pageCount = 1;       // pages of the document the image was rendered from
  float imageWidthPt = 0;  // size in points after the page fit: the printed size
  float imageHeightPt = 0;
  // The page fit's scale (1 = the file's own resolution), shown in "Zoom". The
  // sizes above already include it; multiplying by it again would shrink twice.
  float zoomFactor = 1;
};

// One pixel of the image in print orientation. The grid keeps the alpha twice:
// the preview reads the alpha as loaded, while a print writes its decisions
// back into `alpha` (0 or 255; black-removed pixels 0), which later prints see.
// The converted black is folded into C, M and Y and not kept.
// (No member initialisers: a trivial type lets a grid of millions be zeroed at once.)
struct GridPixel {
  std::uint8_t c;
  std::uint8_t m;
  std::uint8_t y;
  std::uint8_t loadedAlpha;
  std::uint8_t alpha;
};

// The image in print orientation, ready for separation and preview: mirror,
// flip and rotate already applied, so both read it row by row, top row first.
struct OrientedImage {
  int workWidthPx = 0;
  int workHeightPx = 0;
  float printWidthPt = 0;
  float printHeightPt = 0;
  std::vector<GridPixel, UninitialisedAllocator<GridPixel>> pixels;  // workWidthPx x workHeightPx

  const GridPixel& At(int row, int column) const {
    return pixels[static_cast<std::size_t>(row) * workWidthPx + column];
  }
};

}  // namespace nvx
