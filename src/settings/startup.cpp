#include "settings/startup.h"

#include <algorithm>
#include <cmath>

#include "base/product.h"
#include "base/text.h"
#include "settings/live_settings.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {

std::string NoFileCaption() { return std::string(kProductTitle) + " - No File"; }

namespace {

// The read default of the version: it has no leading number, so it counts as 0.
constexpr std::string_view kVersionReadDefault = "OKI C711wt";
constexpr std::size_t kPrinterCharacters = 79;  // the record holds 80 with its terminator

std::uint8_t ReadByte(const SettingsFiles& files, std::string_view key, std::string_view fallback) {
  long long value = LeadingInteger(ReadSettingOr(files, keys::kActive, key, fallback));
  // Out-of-range texts are held at the ends rather than wrapped round.
  return static_cast<std::uint8_t>(std::clamp(value, 0LL, 255LL));
}

float LayoutVersion() { return static_cast<float>(LeadingNumber(kSettingsVersion)); }

}  // namespace

StartupSettings LoadStartupSettings(const SettingsFiles& files, std::string_view trayName) {
  using namespace keys;
  StartupSettings s;
  s.version = static_cast<float>(
      LeadingNumber(ReadSettingOr(files, kIniInf, kVersion, kVersionReadDefault)));
  s.printer = std::string(
      FirstCharacters(ReadSettingOr(files, kActive, kPrinter, s.printer), kPrinterCharacters));
  s.trayName = std::string(trayName);
  s.whiteMaskPercent = ReadByte(files, kWhiteMask, "100");
  s.whiteOverlayPercent = ReadByte(files, kWhiteOverlay, "2");
  s.display = ReadByte(files, kDisplay, "0");
  s.tonerOn = ReadByte(files, kTonerOn, "1");
  s.tonerSave = ReadByte(files, kTonerSave, "1");
  s.tonerPercent = ReadByte(files, kTonerPercent, "50");
  return s;
}

StartupSettings OpenSettings(const SettingsFiles& files, std::string_view trayName) {
  std::error_code ignored;
  std::filesystem::create_directories(files.userFolder, ignored);
  if (std::filesystem::exists(files.UserFile(), ignored)) {
    StartupSettings s = LoadStartupSettings(files, trayName);
    if (!(LayoutVersion() > s.version)) return s;
  }
  CreateDefaultSettings(files);
  return LoadStartupSettings(files, trayName);
}

void ApplyStartupSettings(const StartupSettings& startup, LiveSettings& live,
                          std::span<const std::string> printers) {
  live.whiteMaskPercent = startup.whiteMaskPercent;
  live.tonerPercent = startup.tonerPercent;
  live.thresholdOn = startup.tonerSave != 0;
  live.printWhite = startup.tonerOn != 0;
  live.displayWhite = startup.display != 0;
  if (printers.empty()) return;
  auto match = std::find_if(printers.begin(), printers.end(), [&](const std::string& name) {
    return StartsWithIgnoreCase(name, startup.printer);
  });
  live.printer = match != printers.end() ? *match : printers.front();
}

void MigrateBottomMargin(const SettingsFiles& files) {
  double points = LeadingNumber(ReadSetting(files, keys::kActive, keys::kBottomMargin)) / 100;
  // Halves round up here, so 24.5 points (2450) is a margin of the user's and stays.
  if (std::lround(points) == 24) {
    WriteSetting(files, keys::kActive, keys::kBottomMargin, keys::kStandardBottomMargin);
  }
}

void DefaultWorkingHand(const SettingsFiles& files) {
  long long hands = ReadSettingNumber(files, keys::kOthers, keys::kRightHand) +
                    ReadSettingNumber(files, keys::kOthers, keys::kLeftHand);
  if (hands == 0) {
    WriteSettings(files,
                  {{keys::kOthers, keys::kRightHand, "1"}, {keys::kOthers, keys::kLeftHand, "0"}});
  }
}

void WriteExitSettings(const SettingsFiles& files, const ColourAdjustPoints& points,
                       TonerOrder pointsOrder) {
  using namespace keys;
  std::string hex = FormatColourAdjustPoints(points);
  WriteSettings(files, {
                           {kKymc, kProfile, hex},
                           {kKymc, kProfileOrder, TonerOrderText(pointsOrder)},
                           {kActive, kTopMargin, kStandardSideMargin},
                           {kActive, kLeftMargin, kStandardSideMargin},
                           {kActive, kRightMargin, kStandardSideMargin},
                           {kActive, kBottomMargin, kStandardBottomMargin},
                           {kActive, kTonerOrder, kWhiteLastText},
                       });
}

ColourAdjustPoints ReadStoredColourPoints(const SettingsFiles& files, TonerOrder order) {
  using namespace keys;
  if (ReadSetting(files, kKymc, kProfileOrder) != TonerOrderText(order))
    return DefaultColourAdjustPoints(order);
  return ParseCompleteColourAdjustPoints(ReadSetting(files, kKymc, kProfile))
      .value_or(DefaultColourAdjustPoints(order));
}

TonerOrder ReadTonerOrder(const SettingsFiles& files, std::string_view modelKey) {
  return EffectiveTonerOrder(modelKey, ReadSetting(files, keys::kActive, keys::kTonerOrder));
}

ColourAdjustPoints SetTonerOrder(const SettingsFiles& files, TonerOrder order) {
  WriteSetting(files, keys::kActive, keys::kTonerOrder, TonerOrderText(order));
  return DefaultColourAdjustPoints(order);
}

}  // namespace nvx
