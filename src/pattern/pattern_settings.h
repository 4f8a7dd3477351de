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

// The stored settings held to the setup dialog's ranges, which the generator,
// the setup dialog and the command line all read: numbers by their leading
// part; a size outside 2 to 10 mm and a gap outside 1 to 5 mm take the
// dialog's corrections (missing: 2 mm and 1 mm), a "Screen" other than "0" is
// 45, an empty "Shape" is "Ellipse". A fresh configuration thus prints the
// pattern the dialog would show, not shapes of no size.
PatternSettings ReadPatternSettings(const SettingsFiles& files);

// The shape list: "Ellipse", "Rectangle", then the library's names as listed.
std::vector<std::string> PatternShapeList(const std::vector<std::string>& libraryNames);

// What the setup dialog does when it opens: the settings as ReadPatternSettings
// gives them, and a "Shape" not in the list becomes "Ellipse"; the corrections
// are written. Returns the settings the dialog then shows.
PatternSettings OpenPatternSetup(const SettingsFiles& files,
                                 const std::vector<std::string>& shapeList);

// The setup dialog's ranges for a value the user entered, in millimetres: a
// size above 10 becomes 4 and one below 2 becomes 2; a gap from 1 to 5 stays
// (1 is the gap slider's least), anything else becomes 1.
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
