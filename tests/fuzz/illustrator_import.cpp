// Any text as an Illustrator file: the import refuses or gives a record within
// the library's limits with finite coordinates.
#include "pattern/illustrator_import.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  nvx::Result<nvx::ShapeRecord> shape = nvx::ImportIllustratorText(text, "fuzz");
  if (!shape) return 0;
  if (shape->pathCount < 1 || shape->pathCount > nvx::kMaxShapePaths) std::abort();
  for (const nvx::ShapePath& path : shape->paths) {
    if (path.pointCount < 0 || path.pointCount >= nvx::kMaxPathPoints) std::abort();
    for (const nvx::ShapePoint& point : path.points) {
      if (!std::isfinite(point.x) || !std::isfinite(point.y)) std::abort();
    }
  }
  (void)nvx::EncodeShapeRecord(*shape);
  return 0;
}
