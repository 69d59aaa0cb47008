#include "app/progress_meter.h"

#include <gtest/gtest.h>

namespace ostrya {
namespace {

TEST(ProgressMeter, ShowsEachPercentageOnceAndNeverPassesTheTotal) {
  ProgressMeter meter;
  EXPECT_EQ(meter.begin(1000), 0u);
  EXPECT_EQ(meter.advance(5), std::nullopt);  // still 0 %
  EXPECT_EQ(meter.advance(5), 1u);
  EXPECT_EQ(meter.advance(490), 50u);
  EXPECT_EQ(meter.advance(4000000000u), 100u);
  EXPECT_EQ(meter.advance(1), std::nullopt);
  // A new operation starts again at 0 %, even when 0 % was the last shown.
  EXPECT_EQ(meter.begin(10), 0u);
  EXPECT_EQ(meter.begin(10), 0u);
  EXPECT_EQ(meter.setPercent(250), 100u);
  EXPECT_EQ(progressText(42), "  42 %");
}

TEST(ProgressMeter, ZeroAndHugeTotals) {
  ProgressMeter meter;
  meter.begin(0);
  EXPECT_EQ(meter.advance(100), std::nullopt);
  const uint64_t huge = UINT64_MAX - 1;
  meter.begin(huge);
  for (int i = 0; i < 3; ++i) meter.advance(UINT32_MAX);
  EXPECT_EQ(meter.advance(0), std::nullopt);
  EXPECT_EQ(meter.setPercent(7), 7u);
}

}  // namespace
}  // namespace ostrya
