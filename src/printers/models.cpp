#include "printers/models.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/product.h"
#include "base/text.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

// Tried in this order; the first key the model key contains wins.
constexpr std::array<ModelRow, 11> kModels{{
    {"pro711WT", "vid_06bc&pid_02fd", 0, "OKI C711WT(PS)"},
    {"Pro7411WT", "vid_06bc&pid_0385", 0, "OKI Pro7411WT"},
    {"C711WT", "vid_06bc&pid_02fd", 0, "OKI C711WT(PS)"},
    {"TST4", "vid_06bc&pid_c804", 4, "U-Print TST4"},
    {"ES7411WT", "vid_06bc&pid_0308", 1, "OKI ES7411WT(PS)"},
    {"C920WT", "vid_06bc&pid_02d6", 2, "OKI C920WT(PS)"},
    {"pro920WT", "vid_06bc&pid_02d5", 2, "OKI Pro920WT(PS)"},
    {"Pro9420WT", "vid_06bc&pid_0386", 2, "OKI Pro9420WT(PS)"},
    {"ES9420WT", "vid_06bc&pid_0310", 2, "OKI ES9420WT(PS)"},
    {"Pro8432WT", "vid_06bc&pid_039c", 2, "OKI Pro8432WT(PS)"},
    {"8432WDT", "vid_06bc&pid_f114", 2, "crio 8432WDT(PS)"},
}};

constexpr ModelRow kNoModel{"", "nomodel", 0, "None"};

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

}  // namespace

const ModelRow& FindModelRow(std::string_view modelKey) {
  for (const ModelRow& row : kModels) {
    if (Contains(modelKey, row.key)) return row;
  }
  return kNoModel;
}

int FamilyCode(std::string_view modelKey) { return FindModelRow(modelKey).familyCode; }

std::string_view UsbListingName(std::string_view usbIdentity) {
  // The C711 without white toner: listed when attached, though no key selects it.
  if (usbIdentity == "vid_06bc&pid_021a") return "OKI C711";
  for (const ModelRow& row : kModels) {
    if (row.usbIdentity == usbIdentity) return row.usbListingName;
  }
  return kNoModel.usbListingName;
}

std::string ModelKey(const SettingsFiles& files, std::string_view commandLineModel) {
  if (!commandLineModel.empty()) return std::string(commandLineModel);
  std::string stored = ReadMachineSetting(files, keys::kActive, keys::kModel);
  if (stored.empty() || FindModelRow(stored).key.empty()) return std::string(kDefaultModelKey);
  return stored;
}

Notes StoredModelNotes(const SettingsFiles& files) {
  const std::string stored = ReadMachineSetting(files, keys::kActive, keys::kModel);
  if (stored.empty() || !FindModelRow(stored).key.empty()) return {};
  return {Message{std::string(kProductTitle),
                  "The stored printer model \"" + stored + "\" is not known; using " +
                      std::string(kDefaultModelKey) + ".",
                  MessageIcon::Exclamation}};
}

std::optional<std::string> FindModelKey(std::string_view name) {
  for (const ModelRow& row : kModels) {
    if (EqualsIgnoreCase(row.key, Trim(name))) return std::string(row.key);
  }
  return std::nullopt;
}

std::vector<std::string> KnownModelKeys() {
  std::vector<std::string> names;
  for (const ModelRow& row : kModels) names.emplace_back(row.key);
  return names;
}

bool CanSwitchTonerOrder(std::string_view modelKey) { return Contains(modelKey, "8432"); }

bool Is8432WT(std::string_view modelKey) { return Contains(modelKey, "8432WT"); }

bool HasFaceUpExit(std::string_view modelKey) {
  return Contains(modelKey, "920") || Contains(modelKey, "9420");
}

std::string PrinterListFilter(std::string_view modelKey) {
  std::string filter = Upper(modelKey);
  if (filter == "C711WT" || filter == "PRO711WT") return "711WT";
  return filter;
}

}  // namespace nvx
