#include "pattern/pattern_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/text.h"
#include "postscript/number_text.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

std::string Read(const SettingsFiles& files, std::string_view key) {
  return ReadSetting(files, keys::kPatternSetup, key);
}

double ReadNumber(const SettingsFiles& files, std::string_view key) {
  return LeadingNumber(Read(files, key));
}

// The shortest decimal text that reads back as the same number.
std::string DecimalText(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool IsListed(const std::vector<std::string>& list, std::string_view shape) {
  return std::ranges::any_of(list, [&](const std::string& s) { return s == shape; });
}

}  // namespace

PatternSettings ReadPatternSettings(const SettingsFiles& files) {
  PatternSettings settings;
  settings.shape = Read(files, keys::kShape);
  if (Trim(settings.shape).empty()) settings.shape = std::string(kEllipseShape);
  settings.sizeXMm = EnteredShapeSize(ReadNumber(files, keys::kSizeX));
  settings.sizeYMm = EnteredShapeSize(ReadNumber(files, keys::kSizeY));
  settings.gapMm = EnteredShapeGap(ReadNumber(files, keys::kGap));
  settings.screenAngle = Trim(Read(files, keys::kScreen)) == "0" ? 0 : 45;
  settings.invert = ReadNumber(files, keys::kMask) != 0;
  return settings;
}

std::vector<std::string> PatternShapeList(const std::vector<std::string>& libraryNames) {
  std::vector<std::string> list{std::string(kEllipseShape), std::string(kRectangleShape)};
  list.insert(list.end(), libraryNames.begin(), libraryNames.end());
  return list;
}

PatternSettings OpenPatternSetup(const SettingsFiles& files,
                                 const std::vector<std::string>& shapeList) {
  PatternSettings settings = ReadPatternSettings(files);
  if (!IsListed(shapeList, settings.shape)) settings.shape = std::string(kEllipseShape);
  WritePatternSettings(files, settings);
  return settings;
}

double EnteredShapeSize(double mm) {
  if (mm > 10) return 4;
  if (mm < 2 || std::isnan(mm)) return 2;
  return mm;
}

double EnteredShapeGap(double mm) { return mm >= 1 && mm <= 5 ? mm : 1; }

double ShapeSizeFromSlider(int position) { return 2 + std::clamp(position, 0, 100) / 12.5; }

int SliderFromShapeSize(double mm) {
  return static_cast<int>(std::clamp<long long>(RoundHalfEven((mm - 2) * 12.5), 0, 100));
}

double ShapeGapFromSlider(int position) { return 1 + std::clamp(position, 0, 100) / 25.0; }

int SliderFromShapeGap(double mm) {
  return static_cast<int>(std::clamp<long long>(RoundHalfEven((mm - 1) * 25), 0, 100));
}

double MillimetresPerUnit(DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return 10;
    case DisplayUnit::Inches:
      return 25.4;
    case DisplayUnit::Millimetres:
      break;
  }
  return 1;
}

void WritePatternSettings(const SettingsFiles& files, const PatternSettings& settings,
                          bool thisRunOnly) {
  const std::string sizeX = DecimalText(settings.sizeXMm);
  const std::string sizeY = DecimalText(settings.sizeYMm);
  const std::string gap = DecimalText(settings.gapMm);
  const std::string mask = BlankSignedInteger(settings.invert ? 1 : 0);
  const std::string_view section = keys::kPatternSetup;
  const IniAssignment values[] = {
      {section, keys::kShape, settings.shape},
      {section, keys::kSizeX, sizeX},
      {section, keys::kSizeY, sizeY},
      {section, keys::kGap, gap},
      {section, keys::kScreen, settings.screenAngle == 0 ? "0" : "45"},
      {section, keys::kMask, mask},
  };
  if (thisRunOnly) {
    WriteRunOnlySettings(files, values);
  } else {
    WriteSettings(files, values);
  }
}

}  // namespace nvx
