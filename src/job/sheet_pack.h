#pragma once

#include <span>
#include <string>
#include <vector>

#include "base/result.h"

namespace nvx {

// One millimetre, the gap the optimal layout keeps between copies; a sheet
// keeps it between its items.
inline constexpr double kPointsPerMillimetre = 72.0 / 25.4;
inline constexpr double kSheetGapPt = kPointsPerMillimetre;

// A design to place on a sheet: its printed size upright, how many copies,
// and whether a copy may stand turned a quarter.
struct PackItem {
  std::string name;  // for messages: the file's name
  double widthPt = 0;
  double heightPt = 0;
  int copies = 1;
  bool mayTurn = true;
};

// One copy where the arrangement put it, on the printable area (points from
// its top-left corner). The size is the copy's as placed: turned copies have
// width and height swapped.
struct PlacedCopy {
  int item = 0;  // index into the sheet's items
  int copy = 0;  // 0 .. copies - 1
  double xPt = 0;
  double yPt = 0;
  double widthPt = 0;
  double heightPt = 0;
  bool turned = false;
};

// The copies of one printed sheet.
struct SheetPage {
  std::vector<PlacedCopy> copies;
};

// Every sheet an arrangement needs, on a printable area of the given size.
struct SheetLayout {
  double areaWidthPt = 0;
  double areaHeightPt = 0;
  std::vector<SheetPage> sheets;

  // The share of the printable area the sheet's copies cover, 0..100.
  double UsedPercent(int sheet) const;
};

// The free-rectangle rules of the packer; the arrangement tries all of them.
enum class PackRule { BestShortSideFit, BestAreaFit, BottomLeft, ContactPoint };
// The order the copies go in; BestFitFirst places next, of all the copies
// left, the one the rule likes best on the sheet as it stands.
enum class PackOrder {
  LargestAreaFirst,
  LongestSideFirst,
  TallestFirst,
  WidestFirst,
  BestFitFirst
};

// Packs every copy with one rule and one order, filling each sheet before the
// next is begun. Refuses, naming it, an item that fits the area in no
// allowed orientation.
Result<SheetLayout> PackCopies(std::span<const PackItem> items, double areaWidthPt,
                               double areaHeightPt, PackRule rule, PackOrder order);

// The automatic arrangement: every rule with every order, keeping the layout
// with the fewest sheets and then the fullest first sheets.
Result<SheetLayout> ArrangeCopies(std::span<const PackItem> items, double areaWidthPt,
                                  double areaHeightPt);

// A manual layout as the user gave it: fails with a message naming the item
// when a copy reaches outside the printable area or overlaps another copy
// (touching is allowed: the user decides the spacing by hand).
Status CheckLayout(std::span<const PackItem> items, const SheetLayout& layout);

}  // namespace nvx
