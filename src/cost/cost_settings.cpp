#include "cost/cost_settings.h"

#include <vector>

#include "base/text.h"
#include "settings/ini_file.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr std::string_view kDefaultColourToner = "CMY,11500,5%,216,A4";
constexpr std::string_view kDefaultCurrency = "Euro";
constexpr char kFieldSeparator = ',';

std::vector<std::string_view> SplitFields(std::string_view stored) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = stored.find(kFieldSeparator, start);
    fields.push_back(stored.substr(start, comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

// Digits with at most one decimal point, nothing else: what a number box keeps.
// A comma is refused rather than read as a decimal comma, since it separates
// the fields of a stored row.
bool IsPlainDecimal(std::string_view text) {
  bool digit = false;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

// The box's number, or a negative value when the text is not a plain number.
double BoxNumber(std::string_view text, bool percentAllowed) {
  text = Trim(text);
  if (percentAllowed && text.ends_with('%')) text = Trim(text.substr(0, text.size() - 1));
  return IsPlainDecimal(text) ? LeadingNumber(text) : -1;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

Status CheckNumberBox(CostBox box, std::string_view text) {
  if (Trim(text).empty()) return {};
  switch (box) {
    case CostBox::Yield:
      if (BoxNumber(text, false) > 0) return {};
      return Fail("The yield must be a number of pages above 0.");
    case CostBox::Coverage: {
      const double coverage = BoxNumber(text, true);
      if (coverage > 0 && coverage <= 100) return {};
      return Fail("The coverage must be a percentage above 0 and at most 100, such as 5%.");
    }
    default:
      if (BoxNumber(text, false) >= 0) return {};
      return Fail("The price must be a number such as 216 or 216.50.");
  }
}

Status CheckRow(Consumable item, const ConsumableRow& row) {
  const bool toner = IsToner(item);
  const std::pair<CostBox, const std::string*> boxes[] = {{CostBox::Label, &row.label},
                                                          {CostBox::Yield, &row.yield},
                                                          {CostBox::Coverage, &row.coverage},
                                                          {CostBox::Price, &row.price},
                                                          {CostBox::Paper, &row.paper}};
  for (const auto& [box, text] : boxes) {
    if (!toner && (box == CostBox::Coverage || box == CostBox::Paper)) continue;
    Status status = CheckCostBox(box, *text);
    if (!status) {
      std::string message = status.failure().message;
      message[0] = AsciiLower(message[0]);
      return Fail(std::string(ConsumableName(item)) + ": " + message);
    }
  }
  // A longer value would come back cut from the settings file.
  if (FormatConsumableRow(item, row).size() > kMaxValueCharacters) {
    return Fail(std::string(ConsumableName(item)) + ": the row is too long to store.");
  }
  return {};
}

}  // namespace

StatsOption ReadStatsOption(const SettingsFiles& files) {
  const std::string option = ReadSetting(files, keys::kStats, keys::kStatsOption);
  if (option == "1") return StatsOption::CostOnly;
  if (option == "2") return StatsOption::PrintAndCost;
  return StatsOption::PrintOnly;
}

std::string_view StatsOptionText(StatsOption option) {
  switch (option) {
    case StatsOption::CostOnly:
      return "1";
    case StatsOption::PrintAndCost:
      return "2";
    case StatsOption::PrintOnly:
      break;
  }
  return "3";
}

bool IsToner(Consumable item) {
  return item == Consumable::ColourToner || item == Consumable::WhiteToner;
}

std::string_view ConsumableKey(Consumable item) {
  switch (item) {
    case Consumable::ColourToner:
      return keys::kColourToner;
    case Consumable::WhiteToner:
      return keys::kWhiteToner;
    case Consumable::ColourDrum:
      return keys::kColourDrum;
    case Consumable::WhiteDrum:
      return keys::kWhiteDrum;
    case Consumable::Fuser:
      return keys::kFuser;
    case Consumable::TransferBelt:
      break;
  }
  return keys::kTransferBelt;
}

std::string_view ConsumableName(Consumable item) {
  switch (item) {
    case Consumable::ColourToner:
      return "Colour toner";
    case Consumable::WhiteToner:
      return "White toner";
    case Consumable::ColourDrum:
      return "Colour image drums";
    case Consumable::WhiteDrum:
      return "White image drum";
    case Consumable::Fuser:
      return "Fuser";
    case Consumable::TransferBelt:
      break;
  }
  return "Transfer belt";
}

ConsumableRow ParseConsumableRow(Consumable item, std::string_view stored) {
  const std::vector<std::string_view> fields = SplitFields(stored);
  auto field = [&](std::size_t i) {
    return i < fields.size() ? std::string(Trim(fields[i])) : std::string();
  };
  if (IsToner(item)) return {field(0), field(1), field(2), field(3), field(4)};
  return {field(0), field(1), {}, field(2), {}};
}

std::string FormatConsumableRow(Consumable item, const ConsumableRow& row) {
  const std::string comma(1, kFieldSeparator);
  if (IsToner(item)) {
    return row.label + comma + row.yield + comma + row.coverage + comma + row.price + comma +
           row.paper;
  }
  return row.label + comma + row.yield + comma + row.price;
}

CostSettings ReadCostSettings(const SettingsFiles& files) {
  CostSettings settings;
  for (Consumable item : kConsumables) {
    settings.Row(item) =
        ParseConsumableRow(item, ReadSetting(files, keys::kStats, ConsumableKey(item)));
  }
  settings.currency = ReadSetting(files, keys::kStats, keys::kCurrency);
  settings.option = ReadStatsOption(files);
  return settings;
}

CostSettings OpenCostSettings(const SettingsFiles& files) {
  const std::pair<std::string_view, std::string_view> defaults[] = {
      {keys::kColourToner, kDefaultColourToner},
      {keys::kCurrency, kDefaultCurrency},
      {keys::kStatsOption, StatsOptionText(StatsOption::PrintOnly)}};
  std::vector<IniAssignment> missing;
  for (const auto& [key, value] : defaults) {
    if (ReadSetting(files, keys::kStats, key).empty())
      missing.push_back({keys::kStats, key, value});
  }
  if (!missing.empty()) WriteSettings(files, missing);
  return ReadCostSettings(files);
}

Status CheckCostBox(CostBox box, std::string_view text) {
  if (HasLineBreak(text)) return Fail("A box cannot hold a line break.");
  switch (box) {
    case CostBox::Label:
      if (text.find(kFieldSeparator) == text.npos) return {};
      return Fail("The label cannot hold a comma.");
    case CostBox::Paper:
      if (text.find(kFieldSeparator) == text.npos) return {};
      return Fail("The paper cannot hold a comma.");
    case CostBox::Currency:
      if (text.size() <= kMaxValueCharacters) return {};
      return Fail("The currency name is too long to store.");
    default:
      return CheckNumberBox(box, text);
  }
}

Status CheckCostSettings(const CostSettings& settings) {
  for (Consumable item : kConsumables) {
    if (Status status = CheckRow(item, settings.Row(item)); !status) return status;
  }
  return CheckCostBox(CostBox::Currency, settings.currency);
}

Status WriteCostSettings(const SettingsFiles& files, const CostSettings& settings) {
  if (Status status = CheckCostSettings(settings); !status) return status;
  std::array<std::string, kConsumableCount> rows;
  std::vector<IniAssignment> assignments;
  for (Consumable item : kConsumables) {
    std::string& row = rows[static_cast<std::size_t>(item)];
    row = FormatConsumableRow(item, settings.Row(item));
    assignments.push_back({keys::kStats, ConsumableKey(item), row});
  }
  assignments.push_back({keys::kStats, keys::kCurrency, settings.currency});
  assignments.push_back({keys::kStats, keys::kStatsOption, StatsOptionText(settings.option)});
  WriteSettings(files, assignments);
  return {};
}

}  // namespace nvx
