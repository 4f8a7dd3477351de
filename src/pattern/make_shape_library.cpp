// Builds the master shape library that ships with the program: imports each
// Illustrator file named on the command line, in order, into a new library.
//   nvx_make_shape_library OUT.lib SHAPE.ai...
#include <filesystem>
#include <iostream>

#include "pattern/illustrator_import.h"
#include "pattern/shape_library.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: nvx_make_shape_library OUT.lib SHAPE.ai...\n";
    return 2;
  }
  const std::filesystem::path library = argv[1];
  const std::filesystem::path building = library.string() + ".new";
  std::error_code ignored;
  std::filesystem::remove(building, ignored);
  for (int i = 2; i < argc; ++i) {
    nvx::Result<nvx::ShapeRecord> shape = nvx::ImportIllustratorFile(argv[i]);
    nvx::Status added =
        shape ? nvx::AddShape(building, *shape, [] { return false; }) : shape.failure();
    if (!added) {
      std::cerr << argv[i] << ": " << added.failure().message << "\n";
      std::filesystem::remove(building, ignored);
      return 1;
    }
  }
  std::filesystem::rename(building, library);
  return 0;
}
