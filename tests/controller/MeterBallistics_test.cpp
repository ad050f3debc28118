#include "controller/MeterBallistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace std::chrono_literals;

TEST(MeterBallisticsDecibels, SilenceFloorNoUpperClampAndNonFinitePeaksAtFullScale) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  const struct {
    float peak;
    double dB;
  } rows[] = {{0.001f, -60.0}, {0.0011f, -59.17}, {0.0f, -60.0},    {-0.5f, -60.0},   {1.0f, 0.0},
              {2.0f, 6.02},    {kNaN, 0.0},       {kInfinity, 0.0}, {-kInfinity, 0.0}};
  for (const auto& row : rows) EXPECT_NEAR(MeterBallistics::decibels(row.peak), row.dB, 0.01);
}

class MeterBallisticsTest : public ::testing::Test {
 protected:
  void poll(float peak) {
    reading = MeterBallistics::next(reading, peak, false, now, holdUntil);
    now += 33ms;
  }

  MeterReading reading;
  MeterBallistics::TimePoint now = MeterBallistics::TimePoint{} + 1h;
  MeterBallistics::TimePoint holdUntil = MeterBallistics::TimePoint::min();
};

TEST_F(MeterBallisticsTest, ReleaseStopsAtTheLevel) {
  poll(1.0f);
  EXPECT_EQ(holdUntil, now - 33ms + 3s);
  now += 3s;
  // After the hold, 0.4 dB of release would take the peak below the −0.26 dB level.
  poll(0.97f);
  EXPECT_NEAR(reading.peakDBFS, 20.0 * std::log10(0.97), 1e-6);
  EXPECT_EQ(reading.peakDBFS, reading.levelDBFS);
}

}  // namespace
