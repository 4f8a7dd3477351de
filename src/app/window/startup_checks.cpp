#include "app/window/startup_checks.h"

#include <system_error>

#include "settings/settings_keys.h"

namespace nvx::app {
namespace {

constexpr std::string_view kShapeLibraryKey = "Shape Library";
constexpr std::string_view kShapeLibraryFile = "shape.lib";

}  // namespace

ShapeLibraryCheck ProvisionShapeLibrary(const SettingsFiles& files) {
  if (!ReadSetting(files, keys::kActive, kShapeLibraryKey).empty()) return ShapeLibraryCheck::Ready;
  std::error_code ec;
  if (files.machineFolder.empty() || !std::filesystem::is_directory(files.machineFolder, ec)) {
    return ShapeLibraryCheck::NoMachineFolder;
  }
  const std::filesystem::path master = files.machineFolder / kShapeLibraryFile;
  if (!std::filesystem::is_regular_file(master, ec)) return ShapeLibraryCheck::NoMaster;
  if (files.userFolder.empty()) return ShapeLibraryCheck::NoUserFolder;
  std::filesystem::create_directories(files.userFolder, ec);
  if (!std::filesystem::is_directory(files.userFolder, ec)) return ShapeLibraryCheck::NoUserFolder;
  const std::filesystem::path copy = files.userFolder / kShapeLibraryFile;
  std::filesystem::copy_file(master, copy, std::filesystem::copy_options::overwrite_existing, ec);
  // Naming a library that was never copied would send every later load to a missing file.
  if (ec) return ShapeLibraryCheck::NoUserFolder;
  WriteSetting(files, keys::kActive, kShapeLibraryKey, copy.string());
  return ShapeLibraryCheck::Ready;
}

}  // namespace nvx::app
