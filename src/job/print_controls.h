#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nvx {

// One numeric print control as the user sets it: its name (the command line's
// option), the values it takes, where it starts, the step between its values
// and the unit it counts in. The window's boxes and sliders, the command line
// and the preset reader all take their ranges from here.
struct PrintControl {
  std::string_view name;
  int min = 0;
  int max = 0;
  int defaultValue = 0;
  int step = 1;
  std::string_view unit;  // "copies", "percent", "position", "" for a plain number
};

// Every numeric control, in the order --help lists them.
std::span<const PrintControl> PrintControls();

// The control of that name; nothing for a name no control has.
std::optional<PrintControl> FindPrintControl(std::string_view name);

// The value held to the control's range.
int HoldToRange(const PrintControl& control, long long value);

// "from 1 to 99": the range as the messages and --help say it.
std::string RangeText(const PrintControl& control);

// Names of the controls, for the call sites that need one.
namespace control {
inline constexpr std::string_view kCopies = "copies";
inline constexpr std::string_view kXCopies = "x-copies";
inline constexpr std::string_view kYCopies = "y-copies";
inline constexpr std::string_view kAlign = "align";
inline constexpr std::string_view kWhiteDensity = "white-density";
inline constexpr std::string_view kWhiteThreshold = "white-threshold";
inline constexpr std::string_view kBrightness = "brightness";
inline constexpr std::string_view kContrast = "contrast";
inline constexpr std::string_view kBlackFuzzy = "black-fuzzy";
inline constexpr std::string_view kRenderDpi = "render-dpi";  // vector artwork
inline constexpr std::string_view kPage = "page";
inline constexpr std::string_view kCompact = "compact";  // 0 plain rows, 1 run-length encoded
inline constexpr std::string_view kSheetDpi = "dpi";     // a gang sheet's raster
inline constexpr std::string_view kItemCopies = "item-copies";  // copies of one design on a sheet
}  // namespace control

}  // namespace nvx
