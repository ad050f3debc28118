#include "controller/MeterBallistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace std::chrono_literals;
using TimePoint = MeterBallistics::TimePoint;

TEST(MeterBallisticsDecibels, SilenceThresholdAndScale) {
  EXPECT_EQ(MeterBallistics::decibels(0.001f), -60.0);
  EXPECT_NEAR(MeterBallistics::decibels(0.0011f), -59.17, 0.01);
  EXPECT_EQ(MeterBallistics::decibels(0.0f), -60.0);
  EXPECT_EQ(MeterBallistics::decibels(-0.5f), -60.0);
  EXPECT_EQ(MeterBallistics::decibels(1.0f), 0.0);
  EXPECT_NEAR(MeterBallistics::decibels(2.0f), 6.02, 0.01) << "no upper clamp";
}

TEST(MeterBallisticsDecibels, NonFinitePeaksReadAsFullScale) {
  EXPECT_EQ(MeterBallistics::decibels(std::numeric_limits<float>::quiet_NaN()), 0.0);
  EXPECT_EQ(MeterBallistics::decibels(std::numeric_limits<float>::infinity()), 0.0);
  EXPECT_EQ(MeterBallistics::decibels(-std::numeric_limits<float>::infinity()), 0.0);
}

class MeterBallisticsTest : public ::testing::Test {
 protected:
  // One poll at `now` with the given peak.
  void poll(float peak, bool clipped = false) {
    reading = MeterBallistics::next(reading, peak, clipped, now, holdUntil);
    now += 33ms;
  }

  MeterReading reading;
  TimePoint now = TimePoint{} + 1h;
  TimePoint holdUntil = TimePoint::min();
};

TEST_F(MeterBallisticsTest, PeakIsHeldThenReleasedNeverBelowTheLevel) {
  const TimePoint start = now;
  poll(0.5f);
  const double dB = 20.0 * std::log10(0.5);
  EXPECT_NEAR(reading.levelDBFS, dB, 1e-9);
  EXPECT_NEAR(reading.peakDBFS, dB, 1e-9);
  EXPECT_NEAR(reading.sessionPeakDBFS, dB, 1e-9);
  EXPECT_EQ(holdUntil, start + 3s);

  int polls = 1;
  while (now < start + 3s) {
    poll(0.0f);
    ++polls;
    EXPECT_NEAR(reading.levelDBFS, std::max(dB - 0.6 * (polls - 1), -60.0), 1e-9);
    EXPECT_NEAR(reading.peakDBFS, dB, 1e-9) << "held for 3.0 s";
  }
  const double held = reading.peakDBFS;
  poll(0.0f);
  EXPECT_NEAR(reading.peakDBFS, std::max(held - 0.4, reading.levelDBFS), 1e-9);
  for (int i = 0; i < 200; ++i) {
    const double before = reading.peakDBFS;
    poll(0.0f);
    EXPECT_NEAR(reading.peakDBFS, std::max(before - 0.4, reading.levelDBFS), 1e-9);
    EXPECT_GE(reading.peakDBFS, reading.levelDBFS);
  }
  EXPECT_EQ(reading.peakDBFS, -60.0);
  EXPECT_EQ(reading.levelDBFS, -60.0);
  EXPECT_NEAR(reading.sessionPeakDBFS, dB, 1e-9) << "peak memory stays";
}

TEST_F(MeterBallisticsTest, ReleaseStopsAtTheLevel) {
  poll(1.0f);
  now += 3s;
  // After the hold, 0.4 dB of release would take the peak below the −0.26 dB level.
  poll(0.97f);
  EXPECT_NEAR(reading.peakDBFS, 20.0 * std::log10(0.97), 1e-6);
  EXPECT_EQ(reading.peakDBFS, reading.levelDBFS);
}

}  // namespace
