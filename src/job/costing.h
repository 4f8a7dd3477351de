#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/result.h"
#include "job/print_cost.h"
#include "job/print_session.h"
#include "postscript/job_writer.h"

namespace nvx {

// The cost of a tiled print, written to "TCOST" as the statistics option asks.
Result<PrintCost> CostTiledImage(PrintSession& session, const TiledImage& image);

// The same for a tiled raster never held whole: `image` gives the sizes, `sums`
// the byte sums of its first four plane rows.
Result<PrintCost> CostTiledSums(PrintSession& session, const TiledImage& image,
                                const std::array<std::uint64_t, 4>& sums);

// The cost of a job already sent, from the sizes the job writer recorded.
Result<PrintCost> CostSentJob(PrintSession& session, const PrintJob& job);

// After a job was sent: costs it when the statistics option asks to print and
// cost, keeping the cost, or why there is none, in the session's lastCost and
// lastCostFailure. False, costing nothing, when the option asks for no cost.
bool CostSentJobIfAsked(PrintSession& session, const PrintJob& job);

// The job of a finished raster, or only its cost when the statistics option
// asks for the cost alone (`costOnly`): the raster's sizes are stored for
// costing the job once it was sent, and the session's last cost is cleared.
Result<PrintJob> JobOrCostOfRaster(PrintSession& session, TiledImage raster, bool costOnly);

// Keeps a cost, or why there is none, in the session's lastCost and lastCostFailure.
void KeepCost(PrintSession& session, Result<PrintCost> cost);

// For this run only, the statistics option says "cost, do not print" (the
// cost command), whatever the settings hold.
void CostInsteadOfPrinting(PrintSession& session);

}  // namespace nvx
