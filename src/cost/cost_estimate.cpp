#include "cost/cost_estimate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "postscript/number_text.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

constexpr std::size_t kPlanesPerRow = 5;
constexpr double kFullToner = 255;
constexpr double kPointsPerInch = 72;
// Yields are rated on A4, taken as 595 x 842 points.
constexpr double kRatingAreaSquareInches = (842 / kPointsPerInch) * (595 / kPointsPerInch);
constexpr int kColourDrums = 3;

#if defined(__SSE2__)
// Sixteen bytes at a time: each sum of absolute differences from zero adds
// eight bytes into one 64-bit lane.
std::uint64_t SumBytes(const std::uint8_t* bytes, std::size_t count) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lanes = zero;
  std::size_t i = 0;
  for (; count - i >= 16; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    lanes = _mm_add_epi64(lanes, _mm_sad_epu8(block, zero));
  }
  std::uint64_t total =
      static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes)) +
      static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
  for (; i < count; ++i) total += bytes[i];
  return total;
}
#else
std::uint64_t SumBytes(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += bytes[i];
  return total;
}
#endif

// Five plane rows of xPixel bytes for each of the yPixel rows, exactly: a
// raster of another length belongs to other sizes (stale "Stats" values).
bool SizesMatch(const CostRaster& raster) {
  if (raster.xPixel <= 0 || raster.yPixel <= 0) return false;
  if (raster.planeSums) return true;
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(raster.xPixel) * kPlanesPerRow;
  return raster.data.size() % rowBytes == 0 &&
         raster.data.size() / rowBytes == static_cast<std::uint64_t>(raster.yPixel);
}

Status CheckRaster(const CostRaster& raster) {
  if (raster.xPixel <= 0 || raster.yPixel <= 0) return Fail("The print has no pixels to cost.");
  if (!SizesMatch(raster)) {
    return Fail("The print data does not match the print's size; nothing was costed.");
  }
  if (!std::isfinite(raster.xPoint) || !std::isfinite(raster.yPoint) || raster.xPoint < 0 ||
      raster.yPoint < 0) {
    return Fail("The print has no printed size to cost.");
  }
  return {};
}

// A share of the cost, or nullopt when the numbers make none (no yield, no
// coverage, a negative price, or a result too large to be a number).
std::optional<double> Usable(double yield, double coverage, double price, double share) {
  if (yield <= 0 || coverage <= 0 || price < 0 || !std::isfinite(share)) return std::nullopt;
  return share;
}

// The cost of 1 % coverage on a print of the given area.
std::optional<double> TonerRate(const ConsumableRow& row, double areaSquareInches) {
  const double yield = LeadingNumber(row.yield);
  const double coverage = LeadingNumber(row.coverage);
  const double price = LeadingNumber(row.price);
  return Usable(yield, coverage, price,
                price / yield / coverage / kRatingAreaSquareInches * areaSquareInches);
}

// One print's part of a unit rated by its life in pages.
std::optional<double> LifeShare(const ConsumableRow& row) {
  const double yield = LeadingNumber(row.yield);
  const double price = LeadingNumber(row.price);
  return Usable(yield, 1, price, price / yield);
}

void FillCoverage(CostEstimate& estimate, const CostRaster& raster, TonerOrder order) {
  const std::array<std::uint64_t, kCostedPlanes> sums = SumPlanes(raster);
  const double pixels = static_cast<double>(raster.xPixel) * raster.yPixel;
  for (std::size_t plane = 0; plane < kCostedPlanes; ++plane) {
    const long long full = RoundHalfEven(static_cast<double>(sums[plane]) / kFullToner);
    estimate.planePercent[plane] = RoundHalfEven(100.0 * static_cast<double>(full) / pixels);
  }
  // Toner order "WF" puts the white plane first, "WL" fourth.
  const std::size_t white = order == TonerOrder::WhiteFirst ? 0 : kCostedPlanes - 1;
  for (std::size_t plane = 0; plane < kCostedPlanes; ++plane) {
    if (plane == white) continue;
    estimate.colourPercent += estimate.planePercent[plane];
  }
  estimate.whitePercent = estimate.planePercent[white];
  estimate.printsWhite = sums[white] > 0;
}

// Whether this print uses the consumable at all.
bool Uses(const CostEstimate& estimate, Consumable item) {
  switch (item) {
    case Consumable::ColourToner:
      return estimate.colourPercent > 0;
    case Consumable::WhiteToner:
      return estimate.whitePercent > 0;
    case Consumable::WhiteDrum:
      return estimate.printsWhite;
    default:
      return true;
  }
}

std::optional<double> ShareOf(const CostEstimate& estimate, const ConsumableRow& row,
                              Consumable item) {
  if (IsToner(item)) {
    const std::optional<double> rate = TonerRate(row, estimate.areaSquareInches);
    const long long percent =
        item == Consumable::ColourToner ? estimate.colourPercent : estimate.whitePercent;
    if (!rate) return std::nullopt;
    return *rate * static_cast<double>(percent);
  }
  const std::optional<double> share = LifeShare(row);
  if (!share) return std::nullopt;
  return item == Consumable::ColourDrum ? kColourDrums * *share : *share;
}

}  // namespace

CostRaster CostRasterOf(const TiledImage& image) {
  return {image.data, image.xPixel, image.yPixel, image.xPoint, image.yPoint};
}

void RecordCostSizes(const SettingsFiles& files, const TiledImage& image) {
  using namespace keys;
  WriteSettings(files, {{kStats, kXpixel, BlankSignedInteger(image.xPixel)},
                        {kStats, kYpixel, BlankSignedInteger(image.yPixel)},
                        {kStats, kXpoint, BlankSignedNumber(image.xPoint)},
                        {kStats, kYpoint, BlankSignedNumber(image.yPoint)}});
}

CostRaster CostRasterFromStats(const SettingsFiles& files, std::span<const std::uint8_t> data) {
  auto whole = [&](std::string_view key) {
    const long long value = ReadSettingNumber(files, keys::kStats, key);
    return static_cast<int>(std::clamp<long long>(value, 0, std::numeric_limits<int>::max()));
  };
  auto number = [&](std::string_view key) {
    return LeadingNumber(ReadSetting(files, keys::kStats, key));
  };
  return {data, whole(keys::kXpixel), whole(keys::kYpixel), number(keys::kXpoint),
          number(keys::kYpoint)};
}

std::array<std::uint64_t, kCostedPlanes> SumPlanes(const CostRaster& raster) {
  std::array<std::uint64_t, kCostedPlanes> sums{};
  if (!SizesMatch(raster)) return sums;
  if (raster.planeSums) return *raster.planeSums;
  const auto width = static_cast<std::size_t>(raster.xPixel);
  const auto rows = static_cast<std::size_t>(raster.yPixel);
  const std::uint8_t* row = raster.data.data();
  for (std::size_t y = 0; y < rows; ++y, row += width * kPlanesPerRow) {
    for (std::size_t plane = 0; plane < kCostedPlanes; ++plane) {
      sums[plane] += SumBytes(row + plane * width, width);
    }
  }
  return sums;
}

Result<CostEstimate> EstimateCost(const CostRaster& raster, TonerOrder order, int copies,
                                  const CostSettings& settings) {
  if (Status status = CheckRaster(raster); !status) return status.failure();
  CostEstimate estimate;
  estimate.copies = std::max(copies, 1);
  estimate.currency = settings.currency;
  estimate.areaSquareInches = (raster.yPoint / kPointsPerInch) * (raster.xPoint / kPointsPerInch);
  FillCoverage(estimate, raster, order);
  for (Consumable item : kConsumables) {
    if (!Uses(estimate, item)) continue;
    const std::optional<double> share = ShareOf(estimate, settings.Row(item), item);
    if (!share) {
      estimate.skipped.push_back(item);
      continue;
    }
    estimate.shares[static_cast<std::size_t>(item)] = *share;
    estimate.perPrint += *share;
  }
  if (!std::isfinite(estimate.Total())) {
    return Fail("The cost is too large to work out; check the prices and yields.");
  }
  return estimate;
}

Result<CostEstimate> CostPrint(const SettingsFiles& files, const CostRaster& raster,
                               TonerOrder order, int copies) {
  Result<CostEstimate> estimate = EstimateCost(raster, order, copies, ReadCostSettings(files));
  if (estimate) {
    WriteSetting(files, keys::kStats, keys::kTotalCost, BlankSignedNumber(estimate->perPrint));
  }
  return estimate;
}

}  // namespace nvx
