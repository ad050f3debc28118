#include "ui/MeterSegments.h"

#include <gtest/gtest.h>

#include <limits>

#include "ui/AudioMeterScale.h"

namespace {

// Three decibels a segment up to −12 dBFS, three quarters above; levels beyond either end clamp.
TEST(MeterSegmentsTest, LitCountPeakSegmentAndScalePositionOfALevel) {
  // The scale position in 96ths: a segment is 3 of them.
  const struct {
    double dBFS;
    int lit;
    double position;
  } rows[] = {{-75.0, 0, 0},   {-60.0, 0, 0},   {-59.9, 1, 0.1},   {-57.0, 1, 3},
              {-56.9, 2, 3.1}, {-12.0, 16, 48}, {-11.9, 17, 48.4}, {-0.75, 31, 93},
              {-0.5, 32, 94},  {0.0, 32, 96},   {4.0, 32, 96}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dBFS);
    EXPECT_EQ(MeterSegments::litCount(row.dBFS), row.lit);
    EXPECT_EQ(MeterSegments::peakSegment(row.dBFS).value_or(-1), row.lit - 1);
    EXPECT_NEAR(AudioMeterScale::fraction(row.dBFS), row.position / 96, 1e-12);
    if (row.dBFS >= -60.0 && row.dBFS <= 0.0) {
      EXPECT_NEAR(AudioMeterScale::decibels(row.position / 96), row.dBFS, 1e-9);
    }
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(AudioMeterScale::fraction(nan), 0.0);
  EXPECT_EQ(AudioMeterScale::decibels(nan), -60.0);
}

}  // namespace
