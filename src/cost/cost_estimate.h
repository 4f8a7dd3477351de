#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "cost/cost_settings.h"
#include "postscript/job_writer.h"
#include "settings/settings_file.h"
#include "settings/toner_order.h"

namespace nvx {

inline constexpr std::size_t kCostedPlanes = 4;

// The job's raster as the costing reads it: yPixel rows from the top, each row
// five plane rows of xPixel bytes (0 no toner, 255 full). The sizes are the
// job's own, blank columns and rows included, as "Xpixel" and "Ypixel" record them.
struct CostRaster {
  std::span<const std::uint8_t> data;
  int xPixel = 0;
  int yPixel = 0;
  double xPoint = 0;  // the printed size in points, as "Xpoint" and "Ypoint"
  double yPoint = 0;
  // Set for a raster that was never held whole: its plane sums, counted as
  // it was made; `data` is then not read.
  const std::array<std::uint64_t, kCostedPlanes>* planeSums = nullptr;
};

CostRaster CostRasterOf(const TiledImage& image);

// Records the print's sizes in "Stats" ("Xpixel", "Ypixel", "Xpoint",
// "Ypoint"), blank-signed, in one write.
void RecordCostSizes(const SettingsFiles& files, const TiledImage& image);

// The job's raster data with the sizes RecordCostSizes stored: for costing a
// job after it was sent.
CostRaster CostRasterFromStats(const SettingsFiles& files, std::span<const std::uint8_t> data);

// The byte sums of planes 1 to 4, in plane order (the fifth carries no toner);
// all 0 when the data does not match the sizes.
std::array<std::uint64_t, kCostedPlanes> SumPlanes(const CostRaster& raster);

struct CostEstimate {
  // The coverage of planes 1 to 4 in whole percent of the print area, in plane order.
  std::array<long long, kCostedPlanes> planePercent{};
  long long colourPercent = 0;  // the three colour planes together
  long long whitePercent = 0;
  bool printsWhite = false;  // any white toner at all
  double areaSquareInches = 0;
  // Each consumable's part of the cost of one print; 0 when it is skipped.
  std::array<double, kConsumableCount> shares{};
  // Consumables this print uses whose yield or coverage is missing or 0, and
  // which are therefore left out of the cost.
  std::vector<Consumable> skipped;
  double perPrint = 0;
  int copies = 1;
  std::string currency;

  double Share(Consumable item) const { return shares[static_cast<std::size_t>(item)]; }
  double Total() const { return perPrint * copies; }
};

// The cost of one print of the raster, and of `copies` prints (at least 1).
// With "WF" the white plane is plane 1, with "WL" plane 4; either way the white
// plane is charged at the white rate and the other three at the colour rate.
// Refuses a raster without pixels or whose length does not match its sizes.
Result<CostEstimate> EstimateCost(const CostRaster& raster, TonerOrder order, int copies,
                                  const CostSettings& settings);

// Reads the cost settings, estimates as above and writes the cost of one print
// to "TCOST" as blank-signed text. Nothing is written when it refuses.
Result<CostEstimate> CostPrint(const SettingsFiles& files, const CostRaster& raster,
                               TonerOrder order, int copies);

}  // namespace nvx
