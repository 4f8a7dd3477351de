#pragma once

#include <string>

#include "cost/cost_estimate.h"
#include "cost/cost_report.h"

namespace nvx {

// What a costed print cost, with the report the window shows and the summary
// it puts on the clipboard.
struct PrintCost {
  CostEstimate estimate;
  CostReport report;
  std::string summary;
};

}  // namespace nvx
