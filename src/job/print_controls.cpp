#include "job/print_controls.h"

#include <algorithm>
#include <array>

#include "image/image_format.h"
#include "job/sheet.h"
#include "postscript/job_writer.h"

namespace nvx {
namespace {

// The copies box takes 1 to 99 (what it holds a typed count to); the X and Y
// Copy boxes take up to 999. The brightness and contrast sliders say their
// position as a percentage, -100 to 100 in steps of 2.
constexpr std::array kControls = {
    PrintControl{control::kCopies, kMinCopies, kMaxCopies, 1, 1, "copies"},
    PrintControl{control::kXCopies, 1, 999, 1, 1, "copies"},
    PrintControl{control::kYCopies, 1, 999, 1, 1, "copies"},
    PrintControl{control::kAlign, 1, 9, 1, 1, "position"},
    PrintControl{control::kWhiteDensity, 0, 100, 100, 1, "percent"},
    PrintControl{control::kWhiteThreshold, 0, 100, 50, 1, "percent"},
    PrintControl{control::kBrightness, -100, 100, 0, 2, "percent"},
    PrintControl{control::kContrast, -100, 100, 0, 2, "percent"},
    PrintControl{control::kBlackFuzzy, 1, 50, 5, 1, ""},
    PrintControl{control::kRenderDpi, kMinRenderDpi, kMaxRenderDpi, kDefaultRenderDpi, 1, "dpi"},
    PrintControl{control::kPage, 1, 1'000'000, 1, 1, "page"},
    PrintControl{control::kCompact, 0, 1, 0, 1, "switch"},
    PrintControl{control::kSheetDpi, kMinSheetDpi, kMaxSheetDpi, kDefaultSheetDpi, 1, "dpi"},
    PrintControl{control::kItemCopies, 1, kMaxItemCopies, 1, 1, "copies"},
};

}  // namespace

std::span<const PrintControl> PrintControls() { return kControls; }

std::optional<PrintControl> FindPrintControl(std::string_view name) {
  for (const PrintControl& c : kControls) {
    if (c.name == name) return c;
  }
  return std::nullopt;
}

int HoldToRange(const PrintControl& control, long long value) {
  return static_cast<int>(std::clamp<long long>(value, control.min, control.max));
}

std::string RangeText(const PrintControl& control) {
  return "from " + std::to_string(control.min) + " to " + std::to_string(control.max);
}

}  // namespace nvx
