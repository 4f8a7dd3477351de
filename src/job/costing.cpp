#include "job/costing.h"

#include <filesystem>

#include "cost/cost_estimate.h"
#include "cost/cost_settings.h"
#include "lang/text_entries.h"
#include "postscript/run_length.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

Result<PrintCost> Report(PrintSession& s, Result<CostEstimate> estimate) {
  if (!estimate) return estimate.failure();
  PrintCost cost;
  cost.estimate = std::move(*estimate);
  // The report names the printer by its model, as the window's title does: the
  // queue may be unnamed (no printer yet) or named anything.
  const std::string& printer = s.modelKey.empty() ? s.live.printer : s.modelKey;
  cost.report =
      BuildCostReport(cost.estimate, s.Settings().statsOption, s.text, printer, s.live.paperName);
  std::string prefix = s.text[entry::kTitle] + " - ";
  std::string fileName =
      s.live.caption.starts_with(prefix) ? s.live.caption.substr(prefix.size()) : s.live.caption;
  cost.summary = BuildCostSummary(cost.estimate, fileName, s.live.mediaType, SummaryTimeNow());
  return cost;
}

Result<CostEstimate> EstimateFor(PrintSession& s, const CostRaster& raster) {
  return CostPrint(s.files, raster, s.live.tonerOrder,
                   std::clamp(s.live.copies, kMinCopies, kMaxCopies));
}

}  // namespace

Result<PrintCost> CostTiledImage(PrintSession& s, const TiledImage& image) {
  return Report(s, EstimateFor(s, CostRasterOf(image)));
}

Result<PrintCost> CostTiledSums(PrintSession& s, const TiledImage& image,
                                const std::array<std::uint64_t, 4>& sums) {
  CostRaster raster = CostRasterOf(image);
  raster.planeSums = &sums;
  return Report(s, EstimateFor(s, raster));
}

Result<PrintCost> CostSentJob(PrintSession& s, const PrintJob& job) {
  // A compact job is costed by the rows the printer decodes from it; a job
  // made as it was sent by the sums counted while it was made.
  const bool decode = job.runLength && !job.rows;
  const std::vector<std::uint8_t> decoded =
      decode ? RunLengthDecode(job.data) : std::vector<std::uint8_t>{};
  const std::span<const std::uint8_t> rows =
      decode ? std::span<const std::uint8_t>(decoded) : std::span<const std::uint8_t>(job.data);
  CostRaster raster = CostRasterFromStats(s.files, rows);
  if (job.rows) raster.planeSums = &job.rowSums;
  return Report(s, EstimateFor(s, raster));
}

bool CostSentJobIfAsked(PrintSession& s, const PrintJob& job) {
  if (s.Settings().statsOption != StatsOption::PrintAndCost) return false;
  KeepCost(s, CostSentJob(s, job));
  return true;
}

void KeepCost(PrintSession& s, Result<PrintCost> cost) {
  if (cost) {
    s.lastCost = std::move(*cost);
    s.lastCostFailure.clear();
  } else {
    s.lastCost.reset();
    s.lastCostFailure = cost.failure().message;
  }
}

Result<PrintJob> JobOrCostOfRaster(PrintSession& s, TiledImage raster, bool costOnly) {
  RecordCostSizes(s.files, raster);
  s.lastCost.reset();
  s.lastCostFailure.clear();
  if (costOnly) {
    KeepCost(s, CostTiledImage(s, raster));
    PrintJob costed;
    costed.outcome = JobOutcome::CostedOnly;
    return costed;
  }
  JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
  return BuildPrintJob(env, s.live, std::move(raster));
}

void CostInsteadOfPrinting(PrintSession& s) {
  const IniAssignment option{keys::kStats, keys::kStatsOption, keys::kStatsCostOnly};
  WriteRunOnlySettings(s.files, std::span(&option, 1));
}

}  // namespace nvx
