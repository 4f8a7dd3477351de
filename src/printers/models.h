#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

inline constexpr std::string_view kDefaultModelKey = "C711WT";

struct ModelRow {
  std::string_view key;
  std::string_view usbIdentity;  // lower case, as in the device instance path
  int familyCode;
  std::string_view usbListingName;
};

// The first row whose key the model key contains (case-sensitive), or the
// no-match row ("nomodel", 0, "None").
const ModelRow& FindModelRow(std::string_view modelKey);
int FamilyCode(std::string_view modelKey);

// The name a USB identity ("vid_06bc&pid_02fd") is listed under, "None" when no
// model has it.
std::string_view UsbListingName(std::string_view usbIdentity);

// The model the installation serves: the command line's --model when given,
// else Active/Model of the machine settings file, else "C711WT". A stored model
// that names no row falls back to "C711WT".
std::string ModelKey(const SettingsFiles& files, std::string_view commandLineModel = {});
// The one-line warning the user gets when the stored model names no row.
Notes StoredModelNotes(const SettingsFiles& files);

// The table's key that `name` spells, letter case ignored; nullopt for no model.
std::optional<std::string> FindModelKey(std::string_view name);
// The keys a user may name, in table order.
std::vector<std::string> KnownModelKeys();

bool CanSwitchTonerOrder(std::string_view modelKey);  // contains "8432"
bool Is8432WT(std::string_view modelKey);             // contains "8432WT"
bool HasFaceUpExit(std::string_view modelKey);        // contains "920" or "9420"
std::string PrinterListFilter(std::string_view modelKey);

}  // namespace nvx
