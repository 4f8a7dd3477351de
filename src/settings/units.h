#pragma once

#include <string>
#include <string_view>

#include "settings/settings_file.h"

namespace nvx {

// The unit lengths are shown in. Everything is stored in points; only the display changes.
enum class DisplayUnit { Millimetres, Centimetres, Inches };

DisplayUnit ParseDisplayUnit(std::string_view letter);  // "M", "C", "I"; anything else is "M"
std::string_view DisplayUnitLetter(DisplayUnit unit);
DisplayUnit ReadDisplayUnit(const SettingsFiles& files);  // Active/Unit

// The text-table entry of the unit's label: "mm" 4, "cm" 3, "Inch" 2.
int DisplayUnitLabelEntry(DisplayUnit unit);
// The unit as the paper and margin dialogs name it beside their boxes: "mm", "cm", "inch".
std::string_view DisplayUnitName(DisplayUnit unit);

double PointsToDisplayUnit(double points, DisplayUnit unit);

// "#.#", "#.##", "#.###": at most 1, 2 or 3 decimals, rounded, no trailing zeros.
std::string FormatInDisplayUnit(double valueInUnit, DisplayUnit unit);
std::string FormatPointsInDisplayUnit(double points, DisplayUnit unit);

}  // namespace nvx
