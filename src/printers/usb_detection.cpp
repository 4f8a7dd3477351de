#include "printers/usb_detection.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "platform/usb_devices.h"
#include "printers/models.h"

namespace nvx {
namespace {

constexpr std::size_t kMaxPathCharacters = 200;
constexpr std::string_view kUsbPort = "USB";

// Field `index` of "USB\VID_06BC&PID_02FD\SERIAL" split at backslashes.
std::string Field(std::string_view path, std::size_t index) {
  for (std::size_t i = 0; i < index; ++i) {
    std::size_t slash = path.find('\\');
    if (slash == std::string_view::npos) return {};
    path.remove_prefix(slash + 1);
  }
  return std::string(path.substr(0, path.find('\\')));
}

}  // namespace

UsbPrinterInfo DetectUsbPrinter(std::string_view modelKey,
                                const std::vector<std::string>& instancePaths) {
  const ModelRow& row = FindModelRow(modelKey);
  for (const std::string& full : instancePaths) {
    std::string_view path = std::string_view(full).substr(0, kMaxPathCharacters);
    if (path.find(kUsbPort) == std::string_view::npos) continue;
    if (AsciiLower(path).find(row.usbIdentity) == std::string::npos) continue;
    return {"1", std::string(kUsbPort), std::string(row.key), Field(path, 2)};
  }
  return {};
}

UsbPrinterInfo DetectUsbPrinter(std::string_view modelKey) {
  return DetectUsbPrinter(modelKey, platform::UsbPrinterInstancePaths());
}

std::vector<UsbPrinterEntry> ListUsbPrinters(const std::vector<std::string>& instancePaths) {
  std::vector<UsbPrinterEntry> printers;
  for (const std::string& full : instancePaths) {
    std::string_view path = std::string_view(full).substr(0, kMaxPathCharacters);
    if (path.find(kUsbPort) == std::string_view::npos) continue;
    std::string identity = AsciiLower(Field(path, 1));
    std::string name(UsbListingName(identity));
    printers.push_back({std::move(identity), Field(path, 2), std::move(name)});
  }
  return printers;
}

std::vector<UsbPrinterEntry> ListUsbPrinters() {
  return ListUsbPrinters(platform::UsbPrinterInstancePaths());
}

}  // namespace nvx
