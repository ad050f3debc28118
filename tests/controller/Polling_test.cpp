#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controller/ControllerHarness.h"
#include "controller/MeterBallistics.h"

namespace {

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

class PollingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.plugOutput("Speakers", "speakers");
    scarlett = h.plugInput("Scarlett 4i4", "scarlett");
    h.launch();
    h.settle();
  }

  MonitorViewModel& vm() { return h.vm(); }

  ControllerHarness h;
  AudioObjectID scarlett = 0;
};

TEST_F(PollingTest, PollsEvery33MillisecondsAndTheMetersFallHoldAndReleaseOnThatCadence) {
  int notifications = 0;
  const auto id = vm().subscribe([&] { ++notifications; });
  h.advance(330ms);
  vm().unsubscribe(id);
  EXPECT_EQ(notifications, 10 * 3) << "two meters and the diagnostics per poll, also when idle";
  EXPECT_EQ(vm().leftMeter(), MeterReading{});

  vm().toggleMonitoring();
  h.advance(400ms);
  h.setSignal(scarlett, 0.0f);
  h.advance(40ms);  // the last loud block has been polled
  const double level = vm().leftMeter().levelDBFS;
  const double peak = vm().leftMeter().peakDBFS;
  h.advance(330ms);
  EXPECT_NEAR(vm().leftMeter().levelDBFS, level - 6.0, 1e-9) << "0.6 dB per poll, ten polls";
  EXPECT_EQ(vm().leftMeter().peakDBFS, peak) << "held";
  h.advance(3000ms);
  EXPECT_EQ(vm().leftMeter().levelDBFS, -60.0);
  EXPECT_LT(vm().leftMeter().peakDBFS, peak) << "released after the hold";
  EXPECT_NEAR(vm().leftMeter().sessionPeakDBFS, peak, 0.05) << "peak memory stays";
}

TEST_F(PollingTest, ClearedClipAndReleasedPeakMemoryAffectOnlyTheirSide) {
  h.setSignal(scarlett, 1.0f);
  vm().toggleMonitoring();
  h.advance(100ms);
  h.setSignal(scarlett, 0.25f);
  h.advance(100ms);
  ASSERT_TRUE(vm().leftMeter().isClipping && vm().rightMeter().isClipping);
  ASSERT_NEAR(vm().leftMeter().sessionPeakDBFS, 0.0, 0.05);
  vm().clearLeftClip();
  vm().releaseLeftPeak();
  EXPECT_FALSE(vm().leftMeter().isClipping);
  EXPECT_EQ(vm().leftMeter().sessionPeakDBFS, -60.0);
  h.advance(40ms);
  EXPECT_FALSE(vm().leftMeter().isClipping) << "the ring buffer's latch was cleared too";
  EXPECT_NEAR(vm().leftMeter().sessionPeakDBFS, 20.0 * std::log10(0.25), 0.05);
  EXPECT_TRUE(vm().rightMeter().isClipping);
  EXPECT_NEAR(vm().rightMeter().sessionPeakDBFS, 0.0, 0.05);
}

}  // namespace
