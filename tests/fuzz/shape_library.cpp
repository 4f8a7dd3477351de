// A shape library of any bytes: reading, listing and finding must not fail,
// and a record of it must draw a small mask plane.
#include "pattern/shape_library.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "pattern/mask_plane.h"
#include "platform/atomic_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path library =
      std::filesystem::temp_directory_path() / ("nvx-fuzz-" + std::to_string(::getpid()) + ".lib");
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view pieces[] = {bytes};
  if (!nvx::platform::ReplaceFile(library, pieces).ok()) return 0;
  nvx::ListShapeNames(library);
  nvx::Result<std::vector<nvx::ShapeRecord>> shapes = nvx::ReadShapeLibrary(library);
  if (!shapes || shapes->empty()) return 0;
  const nvx::ShapeRecord& first = shapes->front();
  nvx::PatternShape shape = nvx::ResolvePatternShape(first.name, library);
  nvx::PatternSettings settings;
  settings.screenAngle = first.pitchAdjust0 > 0 ? 0 : 45;
  settings.invert = size % 2 == 1;
  (void)nvx::GenerateMaskPlane(settings, shape, nvx::MaskRequest{64, 48, 4, true, false, true}, {});
  return 0;
}
