#include "ui/AudioMeterScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(AudioMeterScaleTest, BreakpointsStepThreeDecibelsThenThreeQuarters) {
  const auto& b = AudioMeterScale::breakpoints;
  ASSERT_EQ(b.size(), 33u);
  EXPECT_EQ(b.front(), -60.0);
  EXPECT_EQ(b[16], -12.0);
  EXPECT_EQ(b.back(), 0.0);
  for (int k = 1; k <= 16; ++k) EXPECT_DOUBLE_EQ(b[k] - b[k - 1], 3.0) << k;
  for (int k = 17; k <= 32; ++k) EXPECT_DOUBLE_EQ(b[k] - b[k - 1], 0.75) << k;
}

TEST(AudioMeterScaleTest, EveryBreakpointSitsOnItsSegmentBoundary) {
  for (int k = 0; k <= 32; ++k) {
    const double b = AudioMeterScale::breakpoints[k];
    EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(b), k / 32.0) << k;
    EXPECT_DOUBLE_EQ(AudioMeterScale::decibels(k / 32.0), b) << k;
  }
}

TEST(AudioMeterScaleTest, FractionClampsAtBothEndsAndTreatsNaNAsFloor) {
  EXPECT_EQ(AudioMeterScale::fraction(-60.0), 0.0);
  EXPECT_EQ(AudioMeterScale::fraction(-61.0), 0.0);
  EXPECT_EQ(AudioMeterScale::fraction(-std::numeric_limits<double>::infinity()), 0.0);
  EXPECT_EQ(AudioMeterScale::fraction(nan), 0.0);
  EXPECT_EQ(AudioMeterScale::fraction(0.0), 1.0);
  EXPECT_EQ(AudioMeterScale::fraction(3.0), 1.0);
}

TEST(AudioMeterScaleTest, FractionInterpolatesWithinSegments) {
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-57.0), 0.03125);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-36.0), 0.25);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-30.0), 0.3125);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-12.0), 0.5);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-6.0), 0.75);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-3.0), 0.875);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-0.75), 0.96875);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-58.5), 0.5 / 32);
  EXPECT_DOUBLE_EQ(AudioMeterScale::fraction(-0.375), 31.5 / 32);
}

TEST(AudioMeterScaleTest, DecibelsClampsAndTreatsNaNAsFloor) {
  EXPECT_EQ(AudioMeterScale::decibels(-0.2), -60.0);
  EXPECT_EQ(AudioMeterScale::decibels(nan), -60.0);
  EXPECT_EQ(AudioMeterScale::decibels(0.0), -60.0);
  EXPECT_EQ(AudioMeterScale::decibels(1.0), 0.0);
  EXPECT_EQ(AudioMeterScale::decibels(1.2), 0.0);
  EXPECT_DOUBLE_EQ(AudioMeterScale::decibels(0.5), -12.0);
  EXPECT_DOUBLE_EQ(AudioMeterScale::decibels(0.75), -6.0);
  EXPECT_DOUBLE_EQ(AudioMeterScale::decibels(0.875), -3.0);
}

TEST(AudioMeterScaleTest, DecibelsInvertsFractionAcrossTheRange) {
  for (double d = -59.95; d < 0.0; d += 0.1) {
    EXPECT_NEAR(AudioMeterScale::decibels(AudioMeterScale::fraction(d)), d, 1e-9) << d;
  }
}

}  // namespace
