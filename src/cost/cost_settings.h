#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/result.h"
#include "settings/settings_file.h"

namespace nvx {

// What a print does about its cost: the "Option" key of "Stats".
enum class StatsOption {
  CostOnly = 1,      // the job is costed and not printed
  PrintAndCost = 2,  // the job is printed, then costed
  PrintOnly = 3,     // nothing is costed
};

// "1" and "2" as above; anything else, a missing key included, only prints.
StatsOption ReadStatsOption(const SettingsFiles& files);
std::string_view StatsOptionText(StatsOption option);  // "1", "2", "3"

// The consumables the cost settings hold, one settings row each.
enum class Consumable { ColourToner, WhiteToner, ColourDrum, WhiteDrum, Fuser, TransferBelt };
inline constexpr std::size_t kConsumableCount = 6;
inline constexpr std::array<Consumable, kConsumableCount> kConsumables = {
    Consumable::ColourToner, Consumable::WhiteToner, Consumable::ColourDrum,
    Consumable::WhiteDrum,   Consumable::Fuser,      Consumable::TransferBelt};

// Toner rows carry a coverage and a rating paper; the others only yield and price.
bool IsToner(Consumable item);
std::string_view ConsumableKey(Consumable item);   // "CMYT", "WhitT", "IDCMY", ...
std::string_view ConsumableName(Consumable item);  // "Colour toner", ... (fixed English)

// The hints the dialog shows in a toner row's empty coverage and paper boxes.
inline constexpr std::string_view kCoverageHint = "5%";
inline constexpr std::string_view kPaperHint = "A4";

// One row of the cost settings dialog, each box as its text.
struct ConsumableRow {
  std::string label;
  std::string yield;     // pages of life
  std::string coverage;  // toner only: the coverage of the rating, "5%"
  std::string price;
  std::string paper;  // toner only: the paper of the rating, "A4"

  bool operator==(const ConsumableRow&) const = default;
};

// "label,yield,coverage,price,paper" for toner, "label,yield,price" for the
// others; missing fields are empty.
ConsumableRow ParseConsumableRow(Consumable item, std::string_view stored);
std::string FormatConsumableRow(Consumable item, const ConsumableRow& row);

struct CostSettings {
  std::array<ConsumableRow, kConsumableCount> rows;
  std::string currency;
  StatsOption option = StatsOption::PrintOnly;

  ConsumableRow& Row(Consumable item) { return rows[static_cast<std::size_t>(item)]; }
  const ConsumableRow& Row(Consumable item) const { return rows[static_cast<std::size_t>(item)]; }
  bool operator==(const CostSettings&) const = default;
};

CostSettings ReadCostSettings(const SettingsFiles& files);

// The dialog opening: a missing "CMYT", "Currancy" or "Option" gets its
// default in the file, then everything is read.
CostSettings OpenCostSettings(const SettingsFiles& files);

// The dialog's OK: every box is checked first; then all rows, the currency and
// the option are written in one write. Nothing is written when a box is wrong.
Status WriteCostSettings(const SettingsFiles& files, const CostSettings& settings);

// The boxes of the dialog, checked as they are typed. An empty number box is
// allowed: its consumable is then left out of the cost.
enum class CostBox { Label, Yield, Coverage, Price, Paper, Currency };
Status CheckCostBox(CostBox box, std::string_view text);

// Every box of every row; the failure names the row.
Status CheckCostSettings(const CostSettings& settings);

}  // namespace nvx
