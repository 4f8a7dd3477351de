#include "cost/cost_estimate.h"

#include <gtest/gtest.h>

#include <random>

#include "cost_test_support.h"
#include "settings/settings_keys.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::CostFolder;
using test::TestRaster;

constexpr double kColourTonerShare = 216.0 / 11500 / 5 * 30;  // 10 % in each colour plane

void WriteStats(const SettingsFiles& files, std::string_view key, std::string_view value) {
  WriteSetting(files, keys::kStats, key, value);
}

// The file's own line: the value keeps the blank-signed text's leading blank.
std::string StoredCost(const SettingsFiles& files) {
  const std::string file = test::ReadFileBytes(files.UserFile());
  const std::size_t at = file.find("TCOST=");
  if (at == std::string::npos) return "(none)";
  return file.substr(at + 6, file.find_first_of("\r\n", at) - at - 6);
}

void WriteAllConsumables(const SettingsFiles& files) {
  WriteStats(files, "CMYT", "CMY,11500,5%,216,A4");
  WriteStats(files, "WhitT", "W,5000,10%,100,A4");
  WriteStats(files, "IDCMY", "Drum,30000,150");
  WriteStats(files, "IDWH", "White drum,20000,120");
  WriteStats(files, "Fuser", "Fuser,100000,200");
  WriteStats(files, "Transfer Belt", "Belt,60000,180");
}

TEST(CostEstimate, FullA4PageWithTenPercentInEachColourCostsTheRatedToner) {
  CostFolder folder;
  WriteStats(folder.files, "CMYT", "CMY,11500,5%,216,A4");
  // The sizes as a print records them; the data as the job carries it.
  TiledImage printed;
  printed.xPixel = 100;
  printed.yPixel = 100;
  printed.xPoint = 595;
  printed.yPoint = 842;
  RecordCostSizes(folder.files, printed);
  const std::string stored = test::ReadFileBytes(folder.files.UserFile());
  EXPECT_NE(stored.find("Xpixel= 100"), std::string::npos) << "blank-signed: " << stored;
  EXPECT_NE(stored.find("Ypoint= 842"), std::string::npos);
  const TestRaster raster(100, 100, {10, 10, 10, 0});
  const CostRaster sent = CostRasterFromStats(folder.files, raster.bytes);
  const Result<CostEstimate> cost = CostPrint(folder.files, sent, TonerOrder::WhiteLast, 1);
  ASSERT_TRUE(cost.ok());
  EXPECT_EQ(cost->planePercent, (std::array<long long, 4>{10, 10, 10, 0}));
  EXPECT_NEAR(cost->Share(Consumable::ColourToner), 0.1127, 0.00005);
  EXPECT_DOUBLE_EQ(cost->perPrint, kColourTonerShare);
  EXPECT_EQ(StoredCost(folder.files), " 0.1126957");
  // Without white nothing white is needed; the rest has no yield set.
  EXPECT_EQ(cost->skipped, (std::vector<Consumable>{Consumable::ColourDrum, Consumable::Fuser,
                                                    Consumable::TransferBelt}));
}

TEST(CostEstimate, TonerIsChargedForThePrintedAreaOnly) {
  CostFolder folder;
  WriteStats(folder.files, "CMYT", "CMY,11500,5%,216,A4");
  const TestRaster raster(100, 100, {10, 10, 10, 0}, 595.0 / 2, 842.0 / 2);
  const Result<CostEstimate> cost = CostPrint(folder.files, raster.view, TonerOrder::WhiteLast, 1);
  ASSERT_TRUE(cost.ok());
  EXPECT_DOUBLE_EQ(cost->perPrint, kColourTonerShare / 4);
}

struct OrderCase {
  const char* name;
  TonerOrder order;
  std::array<int, 4> fullColumns;  // the white plane has 20 %, the colour planes 10 % each
};

using test::PrintTo;

class TonerOrders : public testing::TestWithParam<OrderCase> {};

TEST_P(TonerOrders, WhitePlaneIsChargedAtTheWhiteRateAndTheOthersAtTheColourRate) {
  CostFolder folder;
  WriteAllConsumables(folder.files);
  const TestRaster raster(100, 100, GetParam().fullColumns);
  const Result<CostEstimate> cost = CostPrint(folder.files, raster.view, GetParam().order, 1);
  ASSERT_TRUE(cost.ok());
  EXPECT_EQ(cost->colourPercent, 30);
  EXPECT_EQ(cost->whitePercent, 20);
  EXPECT_NEAR(cost->Share(Consumable::ColourToner), kColourTonerShare, 1e-12);
  EXPECT_NEAR(cost->Share(Consumable::WhiteToner), 100.0 / 5000 / 10 * 20, 1e-12);
  EXPECT_NEAR(cost->Share(Consumable::ColourDrum), 3 * 150.0 / 30000, 1e-12);
  EXPECT_NEAR(cost->Share(Consumable::WhiteDrum), 120.0 / 20000, 1e-12);
  EXPECT_NEAR(cost->perPrint, kColourTonerShare + 0.04 + 0.015 + 0.006 + 0.002 + 0.003, 1e-12);
  EXPECT_TRUE(cost->skipped.empty());
  EXPECT_EQ(StoredCost(folder.files), " 0.1786957");
}

INSTANTIATE_TEST_SUITE_P(
    Cost, TonerOrders,
    testing::Values(OrderCase{"WhiteLast", TonerOrder::WhiteLast, {10, 10, 10, 20}},
                    OrderCase{"WhiteFirst", TonerOrder::WhiteFirst, {20, 10, 10, 10}}),
    test::CaseName());

TEST(CostEstimate, WhiteDrumIsChargedWheneverAnyWhitePrints) {
  CostFolder folder;
  WriteAllConsumables(folder.files);
  TestRaster raster(100, 100, {10, 10, 10, 0});
  const Result<CostEstimate> none = CostPrint(folder.files, raster.view, TonerOrder::WhiteLast, 1);
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(none->Share(Consumable::WhiteDrum), 0);

  raster.bytes[3 * 100] = 1;  // one pixel of plane 4 in the first row: far below 1 %
  const Result<CostEstimate> one = CostPrint(folder.files, raster.view, TonerOrder::WhiteLast, 1);
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(one->whitePercent, 0);
  EXPECT_EQ(one->Share(Consumable::WhiteToner), 0);
  EXPECT_DOUBLE_EQ(one->Share(Consumable::WhiteDrum), 120.0 / 20000);
}

struct UnusableCase {
  const char* name;
  std::string_view colourToner;
};

class UnusableToner : public testing::TestWithParam<UnusableCase> {};

TEST_P(UnusableToner, IsSkippedAndNamedWithoutBreakingTheTotal) {
  CostFolder folder;
  WriteAllConsumables(folder.files);
  WriteStats(folder.files, "CMYT", GetParam().colourToner);
  const TestRaster raster(100, 100, {10, 10, 10, 0});
  const Result<CostEstimate> cost = CostPrint(folder.files, raster.view, TonerOrder::WhiteLast, 1);
  ASSERT_TRUE(cost.ok());
  EXPECT_EQ(cost->skipped, std::vector<Consumable>{Consumable::ColourToner});
  EXPECT_EQ(cost->Share(Consumable::ColourToner), 0);
  EXPECT_NEAR(cost->perPrint, 0.015 + 0.002 + 0.003, 1e-12);
  EXPECT_EQ(StoredCost(folder.files), " 0.02");
}

INSTANTIATE_TEST_SUITE_P(Cost, UnusableToner,
                         testing::Values(UnusableCase{"ZeroYield", "CMY,0,5%,216,A4"},
                                         UnusableCase{"EmptyYield", "CMY,,5%,216,A4"},
                                         UnusableCase{"ZeroCoverage", "CMY,11500,0%,216,A4"},
                                         UnusableCase{"NoCoverage", "CMY,11500"},
                                         UnusableCase{"NegativePrice", "CMY,11500,5%,-216,A4"},
                                         UnusableCase{"Missing", ""}),
                         test::CaseName());

TEST(CostEstimate, RefusesRasterWhoseLengthDoesNotMatchItsSizesAndWritesNothing) {
  CostFolder folder;
  WriteStats(folder.files, "CMYT", "CMY,11500,5%,216,A4");
  TestRaster raster(10, 10, {1, 1, 1, 1});
  CostRaster shortData = raster.view;
  shortData.data = shortData.data.first(raster.bytes.size() - 1);
  CostRaster staleSizes = raster.view;
  staleSizes.yPixel = 9;
  CostRaster noPixels = raster.view;
  noPixels.xPixel = 0;
  for (const CostRaster& bad : {shortData, staleSizes, noPixels}) {
    const Result<CostEstimate> cost = CostPrint(folder.files, bad, TonerOrder::WhiteLast, 1);
    ASSERT_FALSE(cost.ok());
    EXPECT_FALSE(cost.failure().message.empty());
  }
  EXPECT_EQ(StoredCost(folder.files), "(none)");
}

TEST(PlaneSums, MatchAByteByByteSumOnOddWidthsAndFullToner) {
  constexpr int kWidth = 2053;  // rows that end part-way through a block of 16
  TestRaster full(kWidth, 3, {kWidth, kWidth, kWidth, kWidth});
  const std::uint64_t fullPlane = 255ull * kWidth * 3;
  EXPECT_EQ(SumPlanes(full.view),
            (std::array<std::uint64_t, 4>{fullPlane, fullPlane, fullPlane, fullPlane}));

  TestRaster noise(kWidth, 3, {0, 0, 0, 0});
  std::mt19937 random(7);
  for (std::uint8_t& byte : noise.bytes) byte = static_cast<std::uint8_t>(random());
  std::array<std::uint64_t, 4> expected{};
  for (std::size_t i = 0; i < noise.bytes.size(); ++i) {
    const std::size_t plane = (i / kWidth) % 5;
    if (plane < 4) expected[plane] += noise.bytes[i];
  }
  EXPECT_EQ(SumPlanes(noise.view), expected);
}

}  // namespace
}  // namespace nvx
