#include "ui/LevelMeterTexts.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using LevelMeterTexts::spokenDecibels;

TEST(LevelMeterTextsTest, SpokenDecibelsRoundHalvesAwayFromZeroWithoutNegativeZero) {
  EXPECT_EQ(spokenDecibels(-12.5), "-13");
  EXPECT_EQ(spokenDecibels(-12.49), "-12");
  EXPECT_EQ(spokenDecibels(-0.4), "0");
  EXPECT_EQ(spokenDecibels(-0.5), "-1");
  EXPECT_EQ(spokenDecibels(0.5), "1");
  EXPECT_EQ(spokenDecibels(-60.0), "-60");
}

TEST(LevelMeterTextsTest, SpokenDecibelsSurviveReadingsThatAreNotFinite) {
  EXPECT_EQ(spokenDecibels(std::numeric_limits<double>::quiet_NaN()), "-60");
  EXPECT_EQ(spokenDecibels(-std::numeric_limits<double>::infinity()), "-60");
  EXPECT_EQ(spokenDecibels(std::numeric_limits<double>::infinity()), "0");
}

TEST(LevelMeterTextsTest, SegmentBarValueSpeaksLevelPeakAndLatch) {
  EXPECT_EQ(LevelMeterTexts::segmentBarValue({-18.4, -6.5, -3.0, false}),
            "-18 decibels full scale, held peak -7 decibels full scale, no clipping");
  EXPECT_EQ(LevelMeterTexts::segmentBarValue({-0.4, 0.0, 0.0, true}),
            "0 decibels full scale, held peak 0 decibels full scale, clipping indicator latched");
}

TEST(LevelMeterTextsTest, PeakReadoutUsesOneFractionDigit) {
  EXPECT_EQ(LevelMeterTexts::peakReadoutNumber(-12.34), "-12.3");
  EXPECT_EQ(LevelMeterTexts::peakReadoutNumber(-60.0), "-60.0");
  EXPECT_EQ(LevelMeterTexts::peakReadoutValue(-0.04), "-0.0 decibels full scale");
}

TEST(LevelMeterTextsTest, ChannelLabelIsLowerCasedInsideSentences) {
  EXPECT_EQ(LevelMeterTexts::segmentBarName("Left"), "Left input level");
  EXPECT_EQ(LevelMeterTexts::peakReadoutName("Right"), "Reset right peak memory");
  EXPECT_EQ(LevelMeterTexts::peakReadoutHelp("Left"),
            QString::fromUtf8("Reset left peak memory · the next peak starts a new maximum"));
  EXPECT_EQ(LevelMeterTexts::clipLampName("Left", true), "Clear left clipping indicator");
  EXPECT_EQ(LevelMeterTexts::clipLampName("Left", false), "Left clipping indicator");
}

}  // namespace
