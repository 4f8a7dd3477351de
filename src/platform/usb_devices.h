#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nvx::platform {

// The sysfs root the USB devices are read from: $NVXPRINT_SYSFS_ROOT when set,
// else /sys.
std::filesystem::path SysfsRoot();

// Every attached USB device with a printer-class interface, as the instance
// path "USB\VID_06BC&PID_02FD\SERIAL" (hex in upper case), in bus and port
// order. A device without a serial number gets its port path ("1-1.2") instead.
std::vector<std::string> UsbPrinterInstancePaths(
    const std::filesystem::path& sysRoot = SysfsRoot());

}  // namespace nvx::platform
