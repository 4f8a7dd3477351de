#pragma once

#include "settings/settings_file.h"

namespace nvx::app {

// The user's shape library, copied at start from the master the installation
// puts in the machine folder. 0 ready (or set up before), 1 no machine folder,
// 2 no user folder, 3 no master copy.
enum class ShapeLibraryCheck { Ready = 0, NoMachineFolder = 1, NoUserFolder = 2, NoMaster = 3 };

ShapeLibraryCheck ProvisionShapeLibrary(const SettingsFiles& files);

}  // namespace nvx::app
