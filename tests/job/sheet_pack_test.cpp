#include "job/sheet_pack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace nvx {
namespace {

constexpr double kEps = 1e-6;

// Every copy placed exactly once, at its size (turned only where allowed),
// inside the area, and at least the gap away from every other copy.
void ExpectSound(std::span<const PackItem> items, const SheetLayout& layout) {
  std::map<std::pair<int, int>, int> seen;
  for (const SheetPage& page : layout.sheets) {
    for (std::size_t i = 0; i < page.copies.size(); ++i) {
      const PlacedCopy& c = page.copies[i];
      ASSERT_GE(c.item, 0);
      ASSERT_LT(c.item, static_cast<int>(items.size()));
      const PackItem& it = items[c.item];
      ++seen[{c.item, c.copy}];
      EXPECT_TRUE(!c.turned || it.mayTurn) << it.name;
      EXPECT_NEAR(c.widthPt, c.turned ? it.heightPt : it.widthPt, kEps);
      EXPECT_NEAR(c.heightPt, c.turned ? it.widthPt : it.heightPt, kEps);
      EXPECT_GE(c.xPt, -kEps);
      EXPECT_GE(c.yPt, -kEps);
      EXPECT_LE(c.xPt + c.widthPt, layout.areaWidthPt + kEps);
      EXPECT_LE(c.yPt + c.heightPt, layout.areaHeightPt + kEps);
      for (std::size_t j = 0; j < i; ++j) {
        const PlacedCopy& o = page.copies[j];
        const bool apart = c.xPt + c.widthPt + kSheetGapPt <= o.xPt + kEps ||
                           o.xPt + o.widthPt + kSheetGapPt <= c.xPt + kEps ||
                           c.yPt + c.heightPt + kSheetGapPt <= o.yPt + kEps ||
                           o.yPt + o.heightPt + kSheetGapPt <= c.yPt + kEps;
        EXPECT_TRUE(apart) << items[c.item].name << " " << c.copy << " and " << items[o.item].name
                           << " " << o.copy;
      }
    }
  }
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    for (int c = 0; c < items[i].copies; ++c) EXPECT_EQ((seen[{i, c}]), 1) << i << "/" << c;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(std::accumulate(
                             items.begin(), items.end(), 0,
                             [](int n, const PackItem& it) { return n + it.copies; })));
}

TEST(SheetPacking, EqualSquaresFillRowsWithTheGapAndOverflowOntoASecondSheet) {
  // Four 50 pt squares and three gaps take 211.3 pt of the 212 pt width.
  const std::vector<PackItem> items{{"square.png", 50, 50, 20, true}};
  Result<SheetLayout> layout = ArrangeCopies(items, 212, 212);
  ASSERT_TRUE(layout.ok()) << layout.failure().message;
  ExpectSound(items, *layout);
  ASSERT_EQ(layout->sheets.size(), 2u);
  EXPECT_EQ(layout->sheets[0].copies.size(), 16u);
  EXPECT_NEAR(layout->UsedPercent(0), 100.0 * 16 * 2500 / (212.0 * 212), 1e-9);
}

TEST(SheetPacking, ASetThatFillsTheAreaExactlyGoesOnOneSheet) {
  const double g = kSheetGapPt;
  // A 100 pt square, beside it a column of two halves and a column of four
  // quarters: sizes and gaps add up to the area to the hair.
  const double half = (100 - g) / 2;
  const double quarter = (60 - g) / 2;
  const std::vector<PackItem> items{{"big.png", 100, 100, 1, false},
                                    {"half.png", 60, half, 2, false},
                                    {"quarter.png", quarter, half, 4, false}};
  const double width = 100 + g + 60 + g + 60;
  Result<SheetLayout> layout = ArrangeCopies(items, width, 100);
  ASSERT_TRUE(layout.ok()) << layout.failure().message;
  ExpectSound(items, *layout);
  ASSERT_EQ(layout->sheets.size(), 1u);
  const double used = 100 * 100 + 2 * 60 * half + 4 * quarter * half;
  EXPECT_NEAR(layout->UsedPercent(0), 100 * used / (width * 100), 1e-9);
}

// A shelf packing written out by hand: rows of copies, tallest first, each
// row as tall as its first copy. What the arrangement must at least match.
SheetLayout ShelfReference(std::span<const PackItem> items, double w, double h) {
  std::vector<std::pair<int, int>> copies;
  for (int i = 0; i < static_cast<int>(items.size()); ++i)
    for (int c = 0; c < items[i].copies; ++c) copies.push_back({i, c});
  std::stable_sort(copies.begin(), copies.end(), [&](auto a, auto b) {
    return items[a.first].heightPt > items[b.first].heightPt;
  });
  SheetLayout layout{w, h, {{}}};
  double x = 0, y = 0, row = 0;
  for (auto [i, c] : copies) {
    const PackItem& it = items[i];
    if (x + it.widthPt > w) {
      x = 0;
      y += row + kSheetGapPt;
      row = 0;
    }
    if (y + it.heightPt > h) {
      layout.sheets.emplace_back();
      x = y = row = 0;
    }
    layout.sheets.back().copies.push_back({i, c, x, y, it.widthPt, it.heightPt, false});
    x += it.widthPt + kSheetGapPt;
    row = std::max(row, it.heightPt);
  }
  return layout;
}

TEST(SheetPacking, RandomDesignsNeedNoMoreSheetsThanAShelfPackingAndFillTheFirstAsWell) {
  std::mt19937 random(22);
  for (int round = 0; round < 12; ++round) {
    std::uniform_real_distribution<double> side(20, 260);
    std::uniform_int_distribution<int> copies(1, 4);
    std::vector<PackItem> items;
    for (int i = 0; i < 25; ++i) {
      items.push_back(
          {"design" + std::to_string(i), side(random), side(random), copies(random), i % 5 != 0});
    }
    const double w = 842 - 26, h = 1191 - 26;  // A3 less 13 pt margins
    Result<SheetLayout> layout = ArrangeCopies(items, w, h);
    ASSERT_TRUE(layout.ok()) << layout.failure().message;
    ExpectSound(items, *layout);
    const SheetLayout reference = ShelfReference(items, w, h);
    ExpectSound(items, reference);
    ASSERT_LE(layout->sheets.size(), reference.sheets.size()) << "round " << round;
    if (layout->sheets.size() == reference.sheets.size() && reference.sheets.size() > 1) {
      EXPECT_GE(layout->UsedPercent(0), reference.UsedPercent(0) - 1e-9) << "round " << round;
    }
  }
}

TEST(SheetPacking, AnItemTooWideIsTurnedWhereAllowedAndRefusedByNameWhereNot) {
  std::vector<PackItem> items{{"banner.png", 300, 80, 2, true}};
  Result<SheetLayout> layout = ArrangeCopies(items, 200, 400);
  ASSERT_TRUE(layout.ok()) << layout.failure().message;
  ExpectSound(items, *layout);
  ASSERT_EQ(layout->sheets.size(), 1u);
  EXPECT_TRUE(layout->sheets[0].copies[0].turned);

  items[0].mayTurn = false;
  layout = ArrangeCopies(items, 200, 400);
  ASSERT_FALSE(layout.ok());
  EXPECT_NE(layout.failure().message.find("banner.png"), std::string::npos);
  items[0] = {"huge.png", 500, 500, 1, true};
  layout = ArrangeCopies(items, 200, 400);
  ASSERT_FALSE(layout.ok());
  EXPECT_NE(layout.failure().message.find("huge.png"), std::string::npos);
  EXPECT_NE(layout.failure().message.find("even turned"), std::string::npos);
  items[0] = {"none.png", 10, 10, 0, true};
  EXPECT_FALSE(ArrangeCopies(items, 200, 400).ok()) << "nothing to print is no arrangement";
}

TEST(SheetPacking, ManualLayoutsAreCheckedForOverlapsAndTheAreaNamingTheItem) {
  const std::vector<PackItem> items{{"logo.png", 50, 50, 1, true}, {"name.png", 80, 20, 1, true}};
  SheetLayout layout{200, 200, {{{{0, 0, 0, 0, 50, 50, false}, {1, 0, 50, 0, 80, 20, false}}}}};
  EXPECT_TRUE(CheckLayout(items, layout).ok());  // touching is the user's choice

  layout.sheets[0].copies[1].xPt = 40;
  Status overlap = CheckLayout(items, layout);
  ASSERT_FALSE(overlap.ok());
  EXPECT_NE(overlap.failure().message.find("name.png"), std::string::npos);
  EXPECT_NE(overlap.failure().message.find("logo.png"), std::string::npos);

  // A wide copy overlapping one that begins past a narrower copy beside it.
  layout.sheets[0].copies = {
      {1, 0, 0, 0, 80, 20, false}, {0, 0, 10, 30, 50, 50, false}, {0, 1, 70, 10, 5, 5, false}};
  overlap = CheckLayout(items, layout);
  ASSERT_FALSE(overlap.ok());
  EXPECT_NE(overlap.failure().message.find("Copy 2 of logo.png overlaps copy 1 of name.png"),
            std::string::npos)
      << overlap.failure().message;

  layout.sheets[0].copies = {{0, 0, 0, 0, 50, 50, false}, {1, 0, 50, 0, 80, 20, false}};
  layout.sheets[0].copies[1].xPt = 150;
  Status outside = CheckLayout(items, layout);
  ASSERT_FALSE(outside.ok());
  EXPECT_NE(outside.failure().message.find("name.png"), std::string::npos);
  EXPECT_NE(outside.failure().message.find("outside"), std::string::npos);
}

}  // namespace
}  // namespace nvx
