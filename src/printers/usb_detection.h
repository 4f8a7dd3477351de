#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nvx {

// The result of looking for the model's printer on USB.
struct UsbPrinterInfo {
  std::string found;     // "1" when found, else empty
  std::string port;      // "USB"
  std::string modelKey;  // the model table's key
  std::string serial;    // the third field of the instance path
};

struct UsbPrinterEntry {
  std::string identity;  // "vid_06bc&pid_02fd"
  std::string serial;
  std::string listingName;  // "OKI C711WT(PS)", or "None" for a printer of no known model
};

// The first instance path that names the model's USB identity. The caller sets
// FamilyCode from the model row, as detection always does.
UsbPrinterInfo DetectUsbPrinter(std::string_view modelKey,
                                const std::vector<std::string>& instancePaths);
UsbPrinterInfo DetectUsbPrinter(std::string_view modelKey);  // the attached devices

std::vector<UsbPrinterEntry> ListUsbPrinters(const std::vector<std::string>& instancePaths);
std::vector<UsbPrinterEntry> ListUsbPrinters();  // the attached devices

}  // namespace nvx
