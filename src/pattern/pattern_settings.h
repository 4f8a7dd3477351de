#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_file.h"
#include "settings/units.h"

namespace nvx {

// The built-in shapes of the shape list, before the library's.
inline constexpr std::string_view kEllipseShape = "Ellipse";
inline constexpr std::string_view kRectangleShape = "Rectangle";

// The pattern print settings ("RIP Patten Setup").
struct PatternSettings {
  std::string shape = std::string(kEllipseShape);  // "Shape"
  double sizeXMm = 2;                              // "SizeX"
  double sizeYMm = 2;                              // "SizeY"
  double gapMm = 1;                                // "Gap"
  int screenAngle = 45;                            // "Screen": 0 or 45
  bool invert = false;                             // "Mask": "Invert Pattern"
};

// The settings as the generator reads them: numbers by their leading part,
// screen angle 45 only when "Screen" reads 45, else 0.
PatternSettings ReadPatternSettings(const SettingsFiles& files);

// The shape list: "Ellipse", "Rectangle", then the library's names as listed.
std::vector<std::string> PatternShapeList(const std::vector<std::string>& libraryNames);

// What the setup dialog does when it opens: a "Shape" that is empty or not in
// the list becomes "Ellipse", a size below 1 becomes 1, a gap not above 0
// becomes 1, a "Screen" other than "0" or "45" becomes "45"; the corrections
// are written. Returns the settings the dialog then shows.
PatternSettings OpenPatternSetup(const SettingsFiles& files,
                                 const std::vector<std::string>& shapeList);

// The setup dialog's ranges for a value the user entered, in millimetres: a
// size above 10 becomes 4 and one below 2 becomes 2; a gap must be above 1 and
// at most 5, anything else becomes 1.
double EnteredShapeSize(double mm);
double EnteredShapeGap(double mm);

// The sliders: sizes 2 to 10 mm over positions 0 to 100, the gap 1 to 5 mm.
double ShapeSizeFromSlider(int position);
int SliderFromShapeSize(double mm);
double ShapeGapFromSlider(int position);
int SliderFromShapeGap(double mm);

// Millimetres in one display unit (mm 1, cm 10, inch 25.4).
double MillimetresPerUnit(DisplayUnit unit);

// Stores every setting in one write: sizes and gap as decimal text, "Screen"
// "0" or "45", "Mask" " 1" or " 0".
// With `thisRunOnly` the values hold for the operation (the command line's
// pattern options) and are never stored.
void WritePatternSettings(const SettingsFiles& files, const PatternSettings& settings,
                          bool thisRunOnly = false);

}  // namespace nvx
