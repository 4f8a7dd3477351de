#include "platform/usb_devices.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace nvx::platform {
namespace {

constexpr std::string_view kPrinterInterfaceClass = "07";

std::string ReadAttribute(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string value;
  std::getline(in, value);
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
  return value;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// "1-2" before "1-10" before "2-1": numbers compare by value.
bool PortOrder(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) &&
        std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t endA = a.find_first_not_of("0123456789", i);
      std::size_t endB = b.find_first_not_of("0123456789", j);
      unsigned long long numberA = std::strtoull(a.c_str() + i, nullptr, 10);
      unsigned long long numberB = std::strtoull(b.c_str() + j, nullptr, 10);
      if (numberA != numberB) return numberA < numberB;
      i = endA == std::string::npos ? a.size() : endA;
      j = endB == std::string::npos ? b.size() : endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

// Interfaces are listed beside their devices as "DEVICE:CONFIG.INTERFACE".
std::vector<std::string> PrinterDevices(const std::filesystem::path& devicesFolder) {
  std::vector<std::string> devices;
  std::error_code error;
  // Devices come and go while the folder is read: an error ends the walk, never throws.
  for (std::filesystem::directory_iterator it(devicesFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    std::size_t colon = name.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    if (ReadAttribute(entry.path() / "bInterfaceClass") != kPrinterInterfaceClass) continue;
    std::string device = name.substr(0, colon);
    if (std::find(devices.begin(), devices.end(), device) == devices.end()) {
      devices.push_back(device);
    }
  }
  std::sort(devices.begin(), devices.end(), PortOrder);
  return devices;
}

}  // namespace

std::filesystem::path SysfsRoot() {
  const char* root = std::getenv("NVXPRINT_SYSFS_ROOT");
  return root && *root ? std::filesystem::path(root) : std::filesystem::path("/sys");
}

std::vector<std::string> UsbPrinterInstancePaths(const std::filesystem::path& sysRoot) {
  const std::filesystem::path devicesFolder = sysRoot / "bus" / "usb" / "devices";
  std::vector<std::string> paths;
  for (const std::string& device : PrinterDevices(devicesFolder)) {
    const std::filesystem::path folder = devicesFolder / device;
    std::string vendor = ReadAttribute(folder / "idVendor");
    std::string product = ReadAttribute(folder / "idProduct");
    if (vendor.empty() || product.empty()) continue;
    std::string serial = ReadAttribute(folder / "serial");
    // The serial is the path's last field: a backslash in it would shift the fields.
    std::replace(serial.begin(), serial.end(), '\\', '_');
    if (serial.empty()) serial = device;
    paths.push_back("USB\\VID_" + Upper(vendor) + "&PID_" + Upper(product) + "\\" + serial);
  }
  return paths;
}

}  // namespace nvx::platform
