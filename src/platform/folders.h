#pragma once

#include <filesystem>
#include <string_view>

namespace nvx::platform {

// $XDG_CONFIG_HOME/NivaluxPro (~/.config/NivaluxPro), created when missing.
// Falls back to the working folder + "/NivaluxPro" when no home can be found.
std::filesystem::path UserDataFolder();

// The first folder of $XDG_CONFIG_DIRS (/etc/xdg) + "/NivaluxPro"; never created.
std::filesystem::path MachineDataFolder();

// The program's own data: $NVXPRINT_DATA_DIR when set, else share/nvxprint
// beside the prefix the executable runs from (PREFIX/bin/nvxprint).
std::filesystem::path ProgramFolder();

// A helper program of ours, `name`, where the installation keeps them:
// libexec/nvxprint beside the prefix the executable runs from (the build tree
// has the same layout).
std::filesystem::path HelperProgram(std::string_view name);

// The folder for temporary copies.
std::filesystem::path TempFolder();

// Creates a new empty file in TempFolder() named prefix + a unique part +
// extension; its path, or an empty path when none can be made.
std::filesystem::path CreateTempFile(std::string_view prefix, std::string_view extension);

}  // namespace nvx::platform
