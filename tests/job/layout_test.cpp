#include "job/layout.h"

#include <gtest/gtest.h>

#include <numeric>

namespace nvx {
namespace {

std::vector<std::uint8_t> CountingImage(int width, int height) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 5);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
  return bytes;
}

TilingInput SingleCopy(const std::vector<std::uint8_t>& source, int width, int height) {
  TilingInput in;
  in.width = width;
  in.height = height;
  in.widthPt = static_cast<float>(width);
  in.heightPt = static_cast<float>(height);
  in.maxWidthPt = 1000;
  in.maxHeightPt = 1000;
  in.source = source;
  return in;
}

TEST(Tiling, OneCopyAddsTwoBlankColumnsToEveryPlaneRowAndTwoBlankRows) {
  auto source = CountingImage(3, 2);
  auto result = TileCopies(SingleCopy(source, 3, 2), DefaultTextTable(), {});
  ASSERT_TRUE(result.ok());
  const TiledImage& image = (*result);
  EXPECT_EQ(image.xPixel, 5);
  EXPECT_EQ(image.yPixel, 4);
  // One pixel a point: the blank pixels take their own room instead of squeezing the image.
  EXPECT_EQ(image.xPoint, 5.0f);
  EXPECT_EQ(image.yPoint, 4.0f);
  ASSERT_EQ(image.data.size(), 5u * 4u * 5u);
  for (int planeRow = 0; planeRow < 2 * 5; ++planeRow) {
    for (int col = 0; col < 5; ++col) {
      std::uint8_t expected = col < 3 ? source[planeRow * 3 + col] : 0;
      EXPECT_EQ(image.data[planeRow * 5 + col], expected) << planeRow << "," << col;
    }
  }
  for (std::size_t i = 2 * 5 * 5; i < image.data.size(); ++i) EXPECT_EQ(image.data[i], 0);
}

TEST(Tiling, CopiesAcrossAreSeparatedByTheirPixelGap) {
  auto source = CountingImage(100, 1);
  TilingInput in = SingleCopy(source, 100, 1);
  in.nX = 3;
  in.gapX = 10;  // one point a pixel, so the pixel gap is 10 too
  auto result = TileCopies(in, DefaultTextTable(), {});
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(result->xPixel, 322);
  const std::uint8_t* row = result->data.data();
  for (int col = 0; col < 322; ++col) {
    int inCopy = col % 110;
    bool copy = col < 320 && inCopy < 100;
    EXPECT_EQ(row[col], copy ? source[inCopy] : 0) << col;
  }
  EXPECT_FLOAT_EQ(result->xPoint, 322.0f);
}

// The raster's memory is not cleared when it is made: gaps, spare columns and
// rows are written blank even where the allocator hands back used memory.
TEST(Tiling, EveryPixelOutsideTheCopiesIsBlankInReusedMemory) {
  const std::vector<std::uint8_t> source(7u * 3u * 5u, 200);
  TilingInput in = SingleCopy(source, 7, 3);
  in.nX = 3;
  in.nY = 2;
  in.gapX = 4;
  in.gapY = 5;
  const std::size_t bytes = (3u * 7 + 2 * 4 + 2) * (2u * 3 + 5 + 2) * 5;
  { std::vector<std::uint8_t> dirty(bytes, 0xAB); }
  auto result = TileCopies(in, DefaultTextTable(), {});
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(result->data.size(), bytes);
  const int cols = result->xPixel;
  for (std::size_t at = 0; at < bytes; ++at) {
    const int col = static_cast<int>(at % cols);
    const int row = static_cast<int>(at / cols / 5);
    const bool inCopy = col % 11 < 7 && col < 29 && row % 8 < 3 && row < 11;
    EXPECT_EQ(result->data[at], inCopy ? 200 : 0) << "column " << col << ", row " << row;
  }
}

TEST(Tiling, CopyRowsAreFollowedByBlankGapRows) {
  auto source = CountingImage(2, 2);
  TilingInput in = SingleCopy(source, 2, 2);
  in.nY = 2;
  in.gapY = 3;
  auto result = TileCopies(in, DefaultTextTable(), {});
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result->yPixel, 2 * 2 + 2 + 3);
  const std::size_t imageRow = 5u * static_cast<std::size_t>(result->xPixel);
  auto rowIsBlank = [&](int r) {
    auto begin = result->data.begin() + static_cast<std::ptrdiff_t>(r * imageRow);
    return std::all_of(begin, begin + static_cast<std::ptrdiff_t>(imageRow),
                       [](std::uint8_t b) { return b == 0; });
  };
  EXPECT_FALSE(rowIsBlank(1));
  EXPECT_TRUE(rowIsBlank(2));
  EXPECT_TRUE(rowIsBlank(4));
  EXPECT_FALSE(rowIsBlank(5));
  EXPECT_EQ(result->data[5 * imageRow], source[0]);
}

// Rows written as the job is sent, a few at a time, are the raster the whole
// tiling makes, gap rows included; a sink that stops the writing stops it.
TEST(Tiling, RowsWrittenInBandsAreTheTiledRaster) {
  auto source = CountingImage(7, 5);
  TilingInput in = SingleCopy(source, 7, 5);
  in.nX = 2;
  in.nY = 2;
  in.gapX = 3;
  in.gapY = 4;
  auto whole = TileCopies(in, DefaultTextTable(), {});
  auto layout = LayOutCopies(in, DefaultTextTable());
  ASSERT_TRUE(whole.ok() && layout.ok());
  const std::size_t rowBytes = static_cast<std::size_t>(layout->image.xPixel) * 5;
  for (std::size_t bandRows : {1u, 3u, 100u}) {
    std::string rows;
    int pieces = 0;
    auto sink = [&](std::string_view bytes) {
      rows.append(bytes);
      ++pieces;
      return true;
    };
    ASSERT_TRUE(WriteTiledRows(in, *layout, sink, {}, bandRows * rowBytes));
    EXPECT_EQ(rows, std::string(whole->data.begin(), whole->data.end())) << bandRows << " rows";
    EXPECT_GT(pieces, bandRows == 1 ? layout->image.yPixel - 1 : 1);
  }
  int calls = 0;
  auto refusing = [&](std::string_view) { return ++calls < 2; };
  EXPECT_FALSE(WriteTiledRows(in, *layout, refusing, {}, rowBytes));
  EXPECT_EQ(calls, 2);
}

TEST(Tiling, GridWiderThanThePrintableAreaClosesUpItsGaps) {
  auto source = CountingImage(100, 1);
  TilingInput in = SingleCopy(source, 100, 1);
  in.nX = 3;
  in.gapX = 20;
  in.maxWidthPt = 310;  // 3 x 100 + 2 x 20 = 340 is 30 too wide
  auto result = TileCopies(in, DefaultTextTable(), {});
  ASSERT_TRUE(result.ok());
  // |(310 - 340) / 2 + 20 - 1| = 4 points, 4 pixels.
  EXPECT_EQ(result->xPixel, 300 + 2 + 8);
  EXPECT_FLOAT_EQ(result->xPoint, 310.0f);
}

TEST(Tiling, SingleCopyTooLargeForThePageKeepsItsSize) {
  auto source = CountingImage(50, 40);
  TilingInput in = SingleCopy(source, 50, 40);
  in.maxWidthPt = 10;
  in.maxHeightPt = 10;
  auto result = TileCopies(in, DefaultTextTable(), {});
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result->xPixel, 52);
  EXPECT_EQ(result->yPixel, 42);
}

TEST(Tiling, RasterOverOneGibibyteIsRefusedWithTheMessage) {
  auto source = CountingImage(1000, 1000);
  TilingInput in = SingleCopy(source, 1000, 1000);
  in.nX = 15;  // 15002 x 15002 x 5 bytes: just over the limit
  in.nY = 15;
  in.maxWidthPt = in.maxHeightPt = 1e6f;
  TextTable text = DefaultTextTable();
  auto result = TileCopies(in, text, {});
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.failure().message, text[135]);
}

PlacementInput A4With(int copyWidthPx, int copyHeightPx) {
  PlacementInput in;
  in.copyWidthPx = copyWidthPx;
  in.copyHeightPx = copyHeightPx;
  return in;
}

TEST(Placement, OneCopyCentredByDefaultAndMovedByTheAlignmentGrid) {
  PlacementInput in = A4With(100, 100);
  Placement centred = PlaceCopies(in);
  ASSERT_TRUE(centred.placed);
  EXPECT_EQ(centred.pageBoxWidthPx, 310);
  EXPECT_EQ(centred.pageBoxHeightPx, 438);
  // Margins of 12 and 13 pt are 6 and 7 px: free 298 x 425, spare 198 x 325, and
  // half of the spare room goes before the copy.
  EXPECT_EQ(centred.xPx, 6 + 99);
  EXPECT_EQ(centred.yPx, 6 + 162);
  in.alignment = 4;
  Placement topLeft = PlaceCopies(in);
  EXPECT_EQ(topLeft.xPx, 6);
  EXPECT_EQ(topLeft.yPx, 6);
  EXPECT_EQ(topLeft.left, 12);  // round(595 x 6 / 310)
  in.alignment = 8;
  Placement bottomRight = PlaceCopies(in);
  EXPECT_EQ(bottomRight.xPx, 6 + 2 * 99);
  EXPECT_EQ(bottomRight.yPx, 6 + 2 * 162);
}

TEST(Placement, AutomaticTileFitsCopiesWithOneMillimetreGaps) {
  PlacementInput in = A4With(90, 100);
  in.automaticTile = true;
  in.alignment = 4;  // ignored: more than one copy spreads them evenly
  Placement p = PlaceCopies(in);
  EXPECT_EQ(p.nX, 3);  // 3 x 90 + 2 gaps of 1 px = 272 < 298
  EXPECT_EQ(p.nY, 4);  // 4 x 100 + 3 = 403 < 425
  EXPECT_GT(p.gapXPx, 1);
  EXPECT_EQ(p.xPx - 6, p.gapXPx - 1);  // equal spaces at the edges and between copies
}

// A copy narrower than a preview pixel is still centred, not left at the origin.
TEST(Placement, CopySmallerThanAPixelIsPlacedLikeAnyOther) {
  Placement p = PlaceCopies(A4With(0, 10));
  ASSERT_TRUE(p.placed);
  EXPECT_EQ(p.xPx, 6 + 148);  // free 298, spare 297, half of it before the copy
  EXPECT_GT(p.left, 13);
}

// Two copies that cannot both fit are refused, not laid off the paper.
TEST(Tiling, CopiesWiderThanThePrintableAreaAreRefused) {
  auto source = CountingImage(50, 40);
  TilingInput in = SingleCopy(source, 50, 40);
  in.nX = 5;
  in.maxWidthPt = 200;  // five copies of 50 pt need 250
  in.maxHeightPt = 100;
  EXPECT_FALSE(CopiesFit(in));
  const Result<TiledImage> refused = TileCopies(in, DefaultTextTable(), {});
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.failure().message.find("do not fit"), std::string::npos)
      << refused.failure().message;
  in.nX = 4;  // 200 pt: fits, the gaps close up to nothing
  auto fitting = TileCopies(in, DefaultTextTable(), {});
  ASSERT_TRUE(fitting.ok());
  EXPECT_LE(fitting->xPoint, 200 + 50.0f * 2 / 50);
}

}  // namespace
}  // namespace nvx
