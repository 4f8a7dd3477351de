#include "job/print_controls.h"

#include <gtest/gtest.h>

#include "image/separation.h"
#include "postscript/job_writer.h"
#include "settings/live_settings.h"

namespace nvx {
namespace {

// The table starts each control where a fresh window and the settings do.
TEST(PrintControls, DefaultsAreTheWindowsStartValues) {
  const LiveSettings live;
  auto start = [](std::string_view name) { return FindPrintControl(name)->defaultValue; };
  EXPECT_EQ(start(control::kCopies), live.copies);
  EXPECT_EQ(start(control::kXCopies), live.xCopy);
  EXPECT_EQ(start(control::kYCopies), live.yCopy);
  EXPECT_EQ(start(control::kAlign), live.alignment);
  EXPECT_EQ(start(control::kWhiteDensity), live.whiteMaskPercent);
  EXPECT_EQ(start(control::kWhiteThreshold), live.tonerPercent);
  EXPECT_EQ(start(control::kBrightness), SliderPercent(live.brightness));
  EXPECT_EQ(start(control::kContrast), SliderPercent(live.contrast));
  EXPECT_EQ(start(control::kBlackFuzzy), 5) << "the tolerance before the dialog stored one";
  EXPECT_EQ(start(control::kCompact), live.compactRaster ? 1 : 0);
  for (const PrintControl& c : PrintControls()) {
    EXPECT_LE(c.min, c.defaultValue) << c.name;
    EXPECT_GE(c.max, c.defaultValue) << c.name;
    EXPECT_EQ((c.defaultValue - c.min) % c.step, 0) << c.name;
  }
}

// The copies count the job writes is held to the range the table gives.
TEST(PrintControls, CopiesRangeIsTheOneTheJobHoldsTo) {
  const PrintControl copies = *FindPrintControl(control::kCopies);
  EXPECT_EQ(CopiesCount("0"), copies.min);
  EXPECT_EQ(CopiesCount("999"), copies.max);
  EXPECT_EQ(RangeText(copies), "from 1 to 99");
  EXPECT_EQ(HoldToRange(copies, 500), 99);
  EXPECT_FALSE(FindPrintControl("nonsense"));
}

}  // namespace
}  // namespace nvx
