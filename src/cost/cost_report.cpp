#include "cost/cost_report.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "base/text.h"
#include "postscript/number_text.h"
#include "settings/numbers.h"

namespace nvx {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

using Placeholder = std::pair<std::string_view, std::string_view>;

// One pass from left to right, so that a filled-in value (a printer name such
// as "\\server\calc\") is never searched for placeholders itself.
std::string FillPlaceholders(std::string_view text, std::initializer_list<Placeholder> values) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    bool filled = false;
    for (const auto& [name, value] : values) {
      if (text.compare(i, name.size(), name) == 0) {
        out.append(value);
        i += name.size();
        filled = true;
        break;
      }
    }
    if (!filled) out += text[i++];
  }
  return out;
}

std::string MoneyText(double amount, std::string_view currency) {
  return FormatMoney(amount) + " " + std::string(currency);
}

void AppendLine(std::string& text, std::string_view line) {
  if (line.empty()) return;
  text.append(kLineEnd);
  text.append(line);
}

// A language file without the cost texts would leave the report blank: the
// built-in English stands in for them.
const std::string& ReportTemplate(const TextTable& text, std::size_t entry) {
  static const TextTable english = DefaultTextTable();
  return text[entry].empty() ? english[entry] : text[entry];
}

}  // namespace

std::string FormatMoney(double amount) { return FormatAtMostDecimals(amount, 2); }

std::string_view StatsOptionLine(StatsOption option) {
  switch (option) {
    case StatsOption::CostOnly:
      return "The Current setting is Statistics only";
    case StatsOption::PrintAndCost:
      return "The Current setting is Print & Statistics";
    case StatsOption::PrintOnly:
      break;
  }
  return "The Current setting is Print only";
}

std::string SkippedLine(const CostEstimate& estimate) {
  if (estimate.skipped.empty()) return {};
  std::string line = "Not counted, as no yield or coverage is set: ";
  for (std::size_t i = 0; i < estimate.skipped.size(); ++i) {
    if (i > 0) line += ", ";
    line += ConsumableName(estimate.skipped[i]);
  }
  return line + ".";
}

CostReport BuildCostReport(const CostEstimate& estimate, StatsOption option, const TextTable& text,
                           std::string_view printer, std::string_view pageSize) {
  const std::string cost = FormatMoney(estimate.perPrint);
  CostReport report{std::string(StatsOptionLine(option)), {}};
  report.text = FillPlaceholders(ReportTemplate(text, kCostReportText),
                                 {{"\\printer\\", printer},
                                  {"\\pagesize\\", pageSize},
                                  {"\\calc\\", cost},
                                  {"\\currancy\\", estimate.currency},
                                  {"\\Currancy\\", estimate.currency}});
  if (estimate.copies > 1) {
    const std::string copies = std::to_string(estimate.copies);
    const std::string line =
        FillPlaceholders(ReportTemplate(text, kCostCopiesText), {{"\\numcopy\\", copies}});
    AppendLine(report.text, std::string(Trim(line)) + " " +
                                MoneyText(estimate.Total(), estimate.currency) + ".");
  }
  AppendLine(report.text, SkippedLine(estimate));
  return report;
}

std::string BuildCostSummary(const CostEstimate& estimate, std::string_view fileName,
                             std::string_view mediaType, std::string_view timeAndDate) {
  std::string summary = "File \"" + std::string(fileName) + "\" printed at " +
                        std::string(mediaType) + " on " + std::string(timeAndDate) +
                        " would cost approximately " +
                        MoneyText(estimate.perPrint, estimate.currency) + " per print";
  if (estimate.copies > 1) {
    summary += "." + std::string(kLineEnd) + "For" + BlankSignedInteger(estimate.copies) +
               " copies the overall cost is " + MoneyText(estimate.Total(), estimate.currency);
  }
  summary += " plus the transfer paper.";
  AppendLine(summary, SkippedLine(estimate));
  return summary;
}

std::string SummaryTime(const std::tm& time) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d %04d-%02d-%02d", time.tm_hour, time.tm_min,
                time.tm_sec, time.tm_year + 1900, time.tm_mon + 1, time.tm_mday);
  return buffer;
}

std::string SummaryTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return SummaryTime(parts);
}

}  // namespace nvx
