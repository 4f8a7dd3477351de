// The gang sheet's arrangement: the time to arrange 200 designs, and the
// sheets and area it uses for 100 random designs on A3 against plain MaxRects
// with best-short-side-fit (largest area first).
#include "job/sheet_pack.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using nvx::PackItem;
using nvx::SheetLayout;

// A3 less the default margins of 12.96 pt at the sides and top, 13.07 at the foot.
constexpr double kA3WidthPt = 842 - 2 * 12.96;
constexpr double kA3HeightPt = 1191 - 12.96 - 13.07;

// Logos, names and labels: 15 to 120 mm a side, one to four copies, every
// fifth never turned.
std::vector<PackItem> RandomDesigns(std::mt19937& random, int count) {
  std::uniform_real_distribution<double> side(15 * nvx::kPointsPerMillimetre,
                                              120 * nvx::kPointsPerMillimetre);
  std::uniform_int_distribution<int> copies(1, 4);
  std::vector<PackItem> items;
  for (int i = 0; i < count; ++i) {
    items.push_back({"design", side(random), side(random), copies(random), i % 5 != 0});
  }
  return items;
}

// The share of the sheets' printable area the designs cover.
double MeanUse(const SheetLayout& layout) {
  double sum = 0;
  for (int s = 0; s < static_cast<int>(layout.sheets.size()); ++s) sum += layout.UsedPercent(s);
  return sum / static_cast<double>(layout.sheets.size());
}

}  // namespace

int main() {
  std::mt19937 random(2026);
  // Arranging 200 designs (one copy each): the median of 11 runs.
  std::vector<double> times;
  for (int run = 0; run < 11; ++run) {
    std::vector<PackItem> items = RandomDesigns(random, 200);
    for (PackItem& item : items) item.copies = 1;
    const auto start = std::chrono::steady_clock::now();
    auto layout = nvx::ArrangeCopies(items, kA3WidthPt, kA3HeightPt);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    if (!layout) return 1;
  }
  std::sort(times.begin(), times.end());
  std::printf("arrange 200 designs: median %.1f ms, slowest %.1f ms (target under 200 ms)\n",
              times[times.size() / 2], times.back());

  // 100 designs on A3 (one copy each), 50 different sets: the sheets, the
  // share of their area used, and the first sheet's fill where both need as many.
  int fewerSheets = 0, moreSheets = 0, fuller = 0, emptier = 0;
  const int sets = 50;
  double ourSheets = 0, plainSheets = 0, ourUse = 0, plainUse = 0;
  for (int set = 0; set < sets; ++set) {
    std::vector<PackItem> items = RandomDesigns(random, 100);
    for (PackItem& item : items) item.copies = 1;
    auto best = nvx::ArrangeCopies(items, kA3WidthPt, kA3HeightPt);
    auto bssf = nvx::PackCopies(items, kA3WidthPt, kA3HeightPt, nvx::PackRule::BestShortSideFit,
                                nvx::PackOrder::LargestAreaFirst);
    if (!best || !bssf) return 1;
    fewerSheets += best->sheets.size() < bssf->sheets.size();
    moreSheets += best->sheets.size() > bssf->sheets.size();
    if (best->sheets.size() == bssf->sheets.size()) {
      fuller += best->UsedPercent(0) > bssf->UsedPercent(0) + 1e-9;
      emptier += best->UsedPercent(0) < bssf->UsedPercent(0) - 1e-9;
    }
    ourSheets += static_cast<double>(best->sheets.size());
    plainSheets += static_cast<double>(bssf->sheets.size());
    ourUse += MeanUse(*best);
    plainUse += MeanUse(*bssf);
  }
  std::printf(
      "100 designs on A3, %d sets: %.2f sheets and %.1f%% of their area used on average, "
      "MaxRects-BSSF %.2f sheets and %.1f%%; fewer sheets in %d sets, more in %d; with as many "
      "sheets, the first fuller in %d, emptier in %d\n",
      sets, ourSheets / sets, ourUse / sets, plainSheets / sets, plainUse / sets, fewerSheets,
      moreSheets, fuller, emptier);
  return moreSheets == 0 && emptier == 0 ? 0 : 1;
}
