#include "settings/paper_limits.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "settings/numbers.h"
#include "settings/paper.h"

namespace nvx {
namespace {

struct ClassRanges {
  PaperSizeLimits limits;
  std::array<std::string_view, 3> width;  // mm, cm, inch
  std::array<std::string_view, 3> height;
};

// Class 3's heights are shown to the full 3744.4 points they are checked against.
constexpr std::array<ClassRanges, 3> kClasses{{
    {{178.06, 612.29, 360, 3744.4},
     {"(63...215.9)", "(6.3...21.59)", "(2.52...8.50)"},
     {"(127..1320.8)", "(12.7..132.08)", "(5.00...52.0)"}},
    {{216, 929.99, 255, 3402.2},
     {"(76.2...328.08)", "(7.62...32.808)", "(3.00...12.91)"},
     {"(89.96..1200.15)", "(8.996..120.015)", "(3.55...47.25)"}},
    {{181, 842, 254, 3744.4},
     {"(63.86...297.03)", "(6.38...29.70)", "(2.52...11.69)"},
     {"(89.61..1320.8)", "(8.96..132.08)", "(3.53...52.00)"}},
}};

const ClassRanges& Ranges(int printerClass) {
  return kClasses[static_cast<std::size_t>(std::clamp(printerClass, 1, 3) - 1)];
}

std::size_t UnitIndex(DisplayUnit unit) {
  return unit == DisplayUnit::Centimetres ? 1 : unit == DisplayUnit::Inches ? 2 : 0;
}

double ToPoints(double value, DisplayUnit unit, double perMillimetre, double perCentimetre) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return value * perCentimetre;
    case DisplayUnit::Inches:
      return value * 72;
    case DisplayUnit::Millimetres:
      break;
  }
  return value * perMillimetre;
}

int Hundredths(double points) { return static_cast<int>(RoundHalfEven(points * 100)); }

}  // namespace

const PaperSizeLimits& CustomPaperLimits(int printerClass) { return Ranges(printerClass).limits; }

std::string_view WidthRangeText(int printerClass, DisplayUnit unit) {
  return Ranges(printerClass).width[UnitIndex(unit)];
}

std::string_view HeightRangeText(int printerClass, DisplayUnit unit) {
  return Ranges(printerClass).height[UnitIndex(unit)];
}

double PaperLengthToPoints(double valueInUnit, DisplayUnit unit) {
  return ToPoints(valueInUnit, unit, 2.835, 28.35);
}

double MarginLengthToPoints(double valueInUnit, DisplayUnit unit) {
  return ToPoints(valueInUnit, unit, 2.8346, 28.346);
}

Status SaveCustomPaper(const SettingsFiles& files, std::string_view modelKey, std::string_view name,
                       double widthInUnit, double heightInUnit, DisplayUnit unit) {
  const int printerClass = PrinterClassFromModel(modelKey);
  const PaperSizeLimits& limits = CustomPaperLimits(printerClass);
  const double widthPt = PaperLengthToPoints(widthInUnit, unit);
  const double heightPt = PaperLengthToPoints(heightInUnit, unit);
  auto outside = [&](std::string_view what, double value, std::string_view range) {
    return Fail("the " + std::string(what) + " " + FormatAtMostDecimals(value, 3) + " " +
                    std::string(DisplayUnitName(unit)) + " is outside " + std::string(range) + " " +
                    std::string(DisplayUnitName(unit)) + " for the " + std::string(modelKey),
                Failure::Kind::Refused);
  };
  if (!(widthPt >= limits.minWidthPt && widthPt <= limits.maxWidthPt))
    return outside("width", widthInUnit, WidthRangeText(printerClass, unit));
  if (!(heightPt >= limits.minHeightPt && heightPt <= limits.maxHeightPt))
    return outside("height", heightInUnit, HeightRangeText(printerClass, unit));
  if (!AddCustomPaper(files, name, widthPt, heightPt)) {
    if (Trim(name).empty()) return Fail("a paper size needs a name", Failure::Kind::Refused);
    return Fail("a paper size needs a name without \"^\", not '" + std::string(name) + "'",
                Failure::Kind::Refused);
  }
  return {};
}

int MarginHundredths(double valueInUnit, DisplayUnit unit) {
  const double points = std::clamp(MarginLengthToPoints(valueInUnit, unit), 0.0, kMaxMarginPt);
  return Hundredths(points);
}

PageMargins MinimumMargins(std::string_view printerName) {
  // Queue names on this system are the user's spelling ("Ricoh_Pro_C5300"), so
  // the brand is found whatever its case.
  const bool ownMargins =
      ContainsIgnoreCase(printerName, "RICOH") || ContainsIgnoreCase(printerName, "IMEX");
  if (ownMargins) return {Hundredths(12), Hundredths(12.84), Hundredths(12.36), Hundredths(12.13)};
  return {Hundredths(12.96), Hundredths(12.96), Hundredths(12.96), Hundredths(13.08)};
}

PageMargins RaiseToMinimumMargins(const PageMargins& m, std::string_view printerName) {
  const PageMargins least = MinimumMargins(printerName);
  return {std::max(m.top, least.top), std::max(m.left, least.left), std::max(m.right, least.right),
          std::max(m.bottom, least.bottom)};
}

}  // namespace nvx
