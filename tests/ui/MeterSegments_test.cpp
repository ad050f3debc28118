#include "ui/MeterSegments.h"

#include <gtest/gtest.h>

#include <limits>

#include "ui/AudioMeterScale.h"

namespace {

using MeterSegments::litCount;
using MeterSegments::peakSegment;

// Three decibels a segment up to −12 dBFS, three quarters above; levels beyond either end clamp.
TEST(MeterSegmentsTest, LitCountPeakSegmentAndScalePositionOfALevel) {
  const struct {
    double dBFS;
    int lit;
    double fraction;
  } rows[] = {{-75.0, 0, 0.0},
              {-60.0, 0, 0.0},
              {-59.9, 1, 0.1 / 96},
              {-57.0, 1, 1 / 32.0},
              {-56.9, 2, 3.1 / 96},
              {-12.0, 16, 0.5},
              {-11.9, 17, 0.5 + 0.1 / 24},
              {-0.75, 31, 31 / 32.0},
              {-0.5, 32, 1 / 96.0 + 31 / 32.0},
              {0.0, 32, 1.0},
              {4.0, 32, 1.0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dBFS);
    EXPECT_EQ(litCount(row.dBFS), row.lit);
    if (row.lit > 0) {
      EXPECT_EQ(*peakSegment(row.dBFS), row.lit - 1);
    }
    EXPECT_NEAR(AudioMeterScale::fraction(row.dBFS), row.fraction, 1e-12);
    if (row.dBFS >= -60.0 && row.dBFS <= 0.0) {
      EXPECT_NEAR(AudioMeterScale::decibels(row.fraction), row.dBFS, 1e-9);
    }
  }
  EXPECT_EQ(peakSegment(-60.0), std::nullopt);
  EXPECT_EQ(AudioMeterScale::fraction(std::numeric_limits<double>::quiet_NaN()), 0.0);
  EXPECT_EQ(AudioMeterScale::decibels(std::numeric_limits<double>::quiet_NaN()), -60.0);
}

}  // namespace
