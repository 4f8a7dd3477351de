#pragma once

#include "settings/settings_file.h"

namespace nvx {

// The page margins in hundredths of a point, as the settings file keeps them.
// A new installation, and a file without the keys, has the printer's own.
struct PageMargins {
  int top = 1296;
  int left = 1296;
  int right = 1296;
  int bottom = 1307;

  bool operator==(const PageMargins&) const = default;
};

inline constexpr PageMargins kStandardMargins{};

// The current margins; a missing key reads as its standard value.
PageMargins ReadMargins(const SettingsFiles& files);

// Stores the margins the user chose.
void WriteMargins(const SettingsFiles& files, const PageMargins& margins);

// Margins that hold for this operation only (a medium's or a custom paper's):
// never stored while the settings are a snapshot (see WriteRunOnlySettings).
void SetRunMargins(const SettingsFiles& files, const PageMargins& margins);

}  // namespace nvx
