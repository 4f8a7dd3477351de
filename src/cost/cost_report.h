#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "cost/cost_estimate.h"
#include "cost/cost_settings.h"
#include "lang/text_table.h"

namespace nvx {

// Text-table entries of the cost settings and report dialogs.
inline constexpr std::size_t kCostStatisticsText = 271;  // settings caption, report heading
inline constexpr std::size_t kCostRowLabelTexts = 272;   // 272..277, the rows in kConsumables order
inline constexpr std::size_t kCostYieldText = 278;
inline constexpr std::size_t kCostCoverageText = 279;
inline constexpr std::size_t kCostPriceText = 280;
inline constexpr std::size_t kCostPaperText = 281;
inline constexpr std::size_t kCostCurrencyText = 282;
inline constexpr std::size_t kCostOptionTexts = 283;      // 283..285, options 1 to 3
inline constexpr std::size_t kCostCopySummaryText = 286;  // the report's clipboard button
inline constexpr std::size_t kCostReportText = 287;
inline constexpr std::size_t kCostCopiesText = 288;
inline constexpr std::size_t kCostReportCaptionText = 289;

// A sum of money as the report and the summary show it ("##.##"): at most two
// decimals, no trailing zeros ("0.11", "12").
std::string FormatMoney(double amount);

// "The Current setting is Print & Statistics", as the report shows it.
std::string_view StatsOptionLine(StatsOption option);

// The line naming the consumables left out of the cost; empty when none was.
std::string SkippedLine(const CostEstimate& estimate);

struct CostReport {
  std::string optionLine;
  std::string text;  // lines end in CR LF, as the text table's line breaks do
};

// Entry 287 with its placeholders filled; with several copies a line from
// entry 288 with the total; then the skipped consumables, if any.
CostReport BuildCostReport(const CostEstimate& estimate, StatsOption option, const TextTable& text,
                           std::string_view printer, std::string_view pageSize);

// The English summary for the clipboard. `fileName` is the image's file name,
// `mediaType` the media list's text, `timeAndDate` from SummaryTime.
std::string BuildCostSummary(const CostEstimate& estimate, std::string_view fileName,
                             std::string_view mediaType, std::string_view timeAndDate);

// "14:05:09 2026-12-08": the time, a blank, the date.
std::string SummaryTime(const std::tm& time);
std::string SummaryTimeNow();  // local time

}  // namespace nvx
