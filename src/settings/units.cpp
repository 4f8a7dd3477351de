#include "settings/units.h"

#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {

DisplayUnit ParseDisplayUnit(std::string_view letter) {
  if (letter == "C") return DisplayUnit::Centimetres;
  if (letter == "I") return DisplayUnit::Inches;
  return DisplayUnit::Millimetres;
}

std::string_view DisplayUnitLetter(DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return "C";
    case DisplayUnit::Inches:
      return "I";
    case DisplayUnit::Millimetres:
      break;
  }
  return "M";
}

DisplayUnit ReadDisplayUnit(const SettingsFiles& files) {
  return ParseDisplayUnit(ReadSetting(files, keys::kActive, keys::kUnit));
}

int DisplayUnitLabelEntry(DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return 3;
    case DisplayUnit::Inches:
      return 2;
    case DisplayUnit::Millimetres:
      break;
  }
  return 4;
}

std::string_view DisplayUnitName(DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return "cm";
    case DisplayUnit::Inches:
      return "inch";
    case DisplayUnit::Millimetres:
      break;
  }
  return "mm";
}

double PointsToDisplayUnit(double points, DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return points * 2.54 / 72;
    case DisplayUnit::Inches:
      return points / 72;
    case DisplayUnit::Millimetres:
      break;
  }
  return points * 25.4 / 72;
}

std::string FormatInDisplayUnit(double valueInUnit, DisplayUnit unit) {
  int decimals = unit == DisplayUnit::Millimetres ? 1 : unit == DisplayUnit::Centimetres ? 2 : 3;
  return FormatAtMostDecimals(valueInUnit, decimals);
}

std::string FormatPointsInDisplayUnit(double points, DisplayUnit unit) {
  return FormatInDisplayUnit(PointsToDisplayUnit(points, unit), unit);
}

}  // namespace nvx
