#include "ui/MeterSegments.h"

#include <gtest/gtest.h>

namespace {

using MeterSegments::litCount;
using MeterSegments::peakSegment;
using MeterSegments::Zone;

TEST(MeterSegmentsTest, LitCountFollowsTheUpperBoundaryOfEachSegment) {
  EXPECT_EQ(litCount(-60.0), 0);
  EXPECT_EQ(litCount(-75.0), 0);
  EXPECT_EQ(litCount(-59.9), 1);
  EXPECT_EQ(litCount(-57.0), 1);
  EXPECT_EQ(litCount(-56.9), 2);
  EXPECT_EQ(litCount(-12.0), 16);
  EXPECT_EQ(litCount(-11.9), 17);
  EXPECT_EQ(litCount(-0.75), 31);
  EXPECT_EQ(litCount(-0.5), 32);
  EXPECT_EQ(litCount(0.0), 32);
  EXPECT_EQ(litCount(4.0), 32);
}

TEST(MeterSegmentsTest, PeakMarksTheSegmentHoldingThePeak) {
  EXPECT_EQ(peakSegment(-60.0), std::nullopt);
  EXPECT_EQ(peakSegment(-59.9), 0);
  EXPECT_EQ(peakSegment(-12.0), 15);
  EXPECT_EQ(peakSegment(-11.9), 16);
  EXPECT_EQ(peakSegment(-0.75), 30);
  EXPECT_EQ(peakSegment(-0.1), 31);
  EXPECT_EQ(peakSegment(0.0), 31);
  EXPECT_EQ(peakSegment(2.0), 31);
}

TEST(MeterSegmentsTest, LitCountAndPeakAgreeOnEveryLevel) {
  for (double level = -59.99; level < 0.0; level += 0.01) {
    EXPECT_EQ(*peakSegment(level), litCount(level) - 1) << level;
  }
}

TEST(MeterSegmentsTest, SixteenGreenTwelveAmberFourRed) {
  for (int segment = 0; segment < 32; ++segment) {
    const Zone expected = segment < 16 ? Zone::green : segment < 28 ? Zone::amber : Zone::red;
    EXPECT_EQ(MeterSegments::zone(segment), expected) << segment;
  }
}

}  // namespace
