#include "image/white_choke.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/named_case.h"

namespace nvx {
namespace {

constexpr int kWidth = 61;
constexpr int kHeight = 47;

// White as a sharp-edged shape: a rectangle with a notch, densities 200 and 255.
std::uint8_t ShapeWhite(int x, int y) {
  const bool inside = x >= 6 && x < 55 && y >= 5 && y < 42 && !(x > 25 && x < 31 && y < 20);
  return inside ? (x < 40 ? 255 : 200) : 0;
}

// The erosion by definition: white stays where the whole disc has white.
std::uint8_t ErodedWhite(int x, int y, int radius) {
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (dx * dx + dy * dy > radius * radius) continue;
      const int px = x + dx, py = y + dy;
      if (px < 0 || py < 0 || px >= kWidth || py >= kHeight || ShapeWhite(px, py) == 0) return 0;
    }
  }
  return ShapeWhite(x, y);
}

struct ChokeCase {
  const char* name;
  TonerOrder order;
  int radius;
  int threads;
  int bandRows = kChokeBandRows;
  bool streamed = false;  // each band choked in a copy of its rows and the reach below
};

// Chokes as a print made band by band does: each band comes in a window of its
// own rows and the unchoked rows its choke reads below it.
void ChokeInWindows(std::vector<std::uint8_t>& planes, const ChokeCase& c) {
  StreamedWhiteChoke choke(kWidth, kHeight, c.order, c.radius, c.bandRows, c.threads);
  const std::size_t rowBytes = kWidth * 5;
  for (int first = 0; first < kHeight; first += c.bandRows) {
    const int end = std::min(kHeight, first + c.bandRows);
    const int need = std::min(kHeight, end + choke.Reach());
    std::vector<std::uint8_t> window(planes.begin() + first * rowBytes,
                                     planes.begin() + need * rowBytes);
    choke.ChokeBand(window, first);
    std::copy_n(window.begin(), (end - first) * rowBytes, planes.begin() + first * rowBytes);
  }
}

class WhiteChoke : public testing::TestWithParam<ChokeCase> {};

// Only the white plane changes, and it becomes the erosion.
TEST_P(WhiteChoke, ErodesTheWhitePlaneOnly) {
  const int white = GetParam().order == TonerOrder::WhiteFirst ? 0 : 3;
  std::vector<std::uint8_t> planes(kWidth * 5 * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int p = 0; p < 5; ++p) {
        planes[(y * 5 + p) * kWidth + x] =
            p == white ? ShapeWhite(x, y) : static_cast<std::uint8_t>(p == 4 ? 0 : x + y);
      }
    }
  }
  if (GetParam().streamed) {
    ChokeInWindows(planes, GetParam());
  } else {
    ChokeWhitePlane(planes, kWidth, kHeight, GetParam().order, GetParam().radius,
                    GetParam().threads, GetParam().bandRows);
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int p = 0; p < 5; ++p) {
        const std::uint8_t expected = p == white ? ErodedWhite(x, y, GetParam().radius)
                                                 : static_cast<std::uint8_t>(p == 4 ? 0 : x + y);
        ASSERT_EQ(planes[(y * 5 + p) * kWidth + x], expected)
            << "x " << x << " y " << y << " plane " << p;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Radii, WhiteChoke,
    testing::Values(ChokeCase{"NoneLeavesAll", TonerOrder::WhiteLast, 0, 1},
                    ChokeCase{"OnePixel", TonerOrder::WhiteLast, 1, 1},
                    ChokeCase{"FourWhiteFirst", TonerOrder::WhiteFirst, 4, 1},
                    ChokeCase{"SevenOnThreads", TonerOrder::WhiteLast, 7, 3},
                    ChokeCase{"WiderThanTheShape", TonerOrder::WhiteLast, 30, 2},
                    // Bands of rows thinner than the radius.
                    ChokeCase{"SevenInBandsOfThree", TonerOrder::WhiteLast, 7, 2, 3},
                    ChokeCase{"FourWhiteFirstInBandsOfTen", TonerOrder::WhiteFirst, 4, 1, 10},
                    ChokeCase{"SevenStreamedInBandsOfThree", TonerOrder::WhiteLast, 7, 2, 3, true},
                    ChokeCase{"FourWhiteFirstStreamedInBandsOfTen", TonerOrder::WhiteFirst, 4, 1,
                              10, true},
                    ChokeCase{"NoneStreamed", TonerOrder::WhiteLast, 0, 1, 5, true}),
    test::CaseName());

TEST(WhiteChokeRadius, MillimetresBecomePrintPixelsUpToTwo) {
  // 2480 pixels over A4's 595 points: 300 dpi, 11.81 pixels a millimetre.
  EXPECT_EQ(WhiteChokeRadiusPx(1, 2480, 595.2f), 12);
  EXPECT_EQ(WhiteChokeRadiusPx(5, 2480, 595.2f), 24);
  EXPECT_EQ(WhiteChokeRadiusPx(0, 2480, 595.2f), 0);
}

}  // namespace
}  // namespace nvx
