#pragma once

#include <optional>
#include <string>

#include "base/result.h"
#include "job/print_cost.h"
#include "job/print_session.h"
#include "postscript/job_writer.h"

namespace nvx {

// The cost of a tiled print, written to "TCOST" as the statistics option asks.
Result<PrintCost> CostTiledImage(PrintSession& session, const TiledImage& image);

// The cost of a job already sent, from the sizes the job writer recorded.
Result<PrintCost> CostSentJob(PrintSession& session, const PrintJob& job);

// After a job was sent: costs it when the statistics option asks to print and
// cost, keeping the cost, or why there is none, in the session's lastCost and
// lastCostFailure. False, costing nothing, when the option asks for no cost.
bool CostSentJobIfAsked(PrintSession& session, const PrintJob& job);

// Keeps a cost, or why there is none, in the session's lastCost and lastCostFailure.
void KeepCost(PrintSession& session, Result<PrintCost> cost);

// For this run only, the statistics option says "cost, do not print" (the
// cost command), whatever the settings hold.
void CostInsteadOfPrinting(PrintSession& session);

}  // namespace nvx
