#include "printers/printer_mode.h"

#include <charconv>

#include "platform/cups_spooler.h"

namespace nvx {
namespace {

constexpr std::string_view kPrintSetSection = "ACTIVE";
constexpr std::string_view kPrintSetKey = "Print Set";

// ESC "%-12345X" "@PJL DEFAULT OKICMYKCONVERSION=ON" CR LF ESC "%-12345X"
constexpr std::string_view kConversionOnItems =
    "1B,25,2D,31,32,33,34,35,58,40,50,4A,4C,20,44,45,46,41,55,4C,54,20,4F,4B,49,43,4D,59,4B,43,"
    "4F,4E,56,45,52,53,49,4F,4E,3D,4F,4E,0D,0A,1B,25,2D,31,32,33,34,35,58,END";
// ESC "%-12345X" "@PJL DEFAULT OKICMYKCONVERSION=OFF" CR LF ESC "%-12345X"
constexpr std::string_view kConversionOffItems =
    "1B,25,2D,31,32,33,34,35,58,40,50,4A,4C,20,44,45,46,41,55,4C,54,20,4F,4B,49,43,4D,59,4B,43,"
    "4F,4E,56,45,52,53,49,4F,4E,3D,4F,46,46,0D,0A,1B,25,2D,31,32,33,34,35,58,END";

}  // namespace

std::string DecodeHexItems(std::string_view items) {
  std::string bytes;
  while (!items.empty()) {
    std::size_t comma = items.find(',');
    std::string_view item = items.substr(0, comma);
    if (item == "END") break;
    unsigned value = 0;
    std::from_chars(item.data(), item.data() + item.size(), value, 16);
    bytes.push_back(static_cast<char>(value));
    if (comma == std::string_view::npos) break;
    items.remove_prefix(comma + 1);
  }
  return bytes;
}

std::string PjlBlockBytes(PjlBlock block) {
  return DecodeHexItems(block == PjlBlock::ConversionOn ? kConversionOnItems : kConversionOffItems);
}

Status SendPjlBlock(std::string_view queue, PjlBlock block) {
  return platform::SendRawCommand(queue, PjlBlockBytes(block));
}

bool PrintSetIsOn(const SettingsFiles& files) {
  return ReadSetting(files, kPrintSetSection, kPrintSetKey) == "on";
}

PjlBlock BlockFor(DriverMode mode) {
  return mode == DriverMode::Off ? PjlBlock::ConversionOff : PjlBlock::ConversionOn;
}

void WritePrintSet(const SettingsFiles& files, DriverMode mode) {
  WriteSetting(files, kPrintSetSection, kPrintSetKey, mode == DriverMode::Off ? "on" : "off");
}

Status SwitchDriverMode(const SettingsFiles& files, DriverMode mode, std::string_view queue) {
  WritePrintSet(files, mode);
  return SendPjlBlock(queue, BlockFor(mode));
}

}  // namespace nvx
