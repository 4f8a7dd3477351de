#include "settings/units.h"

#include <charconv>

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
  char buffer[512];
  // to_chars ignores the locale: the point stays a point under a decimal-comma locale.
  auto result = std::to_chars(buffer, buffer + sizeof buffer, valueInUnit, std::chars_format::fixed,
                              decimals);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  if (text.find('.') != std::string_view::npos) {
    text = text.substr(0, text.find_last_not_of('0') + 1);
    if (text.ends_with('.')) text.remove_suffix(1);
  }
  return text == "-0" ? "0" : std::string(text);
}

std::string FormatPointsInDisplayUnit(double points, DisplayUnit unit) {
  return FormatInDisplayUnit(PointsToDisplayUnit(points, unit), unit);
}

}  // namespace nvx
