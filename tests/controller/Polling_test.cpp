#include <gtest/gtest.h>

#include <cmath>

#include "controller/ControllerHarness.h"
#include "controller/MeterBallistics.h"

namespace {

TEST(MeterBallisticsTest, ReleaseStopsAtTheLevelAndStepsPerPollCovered) {
  MeterBallistics::TimePoint now = MeterBallistics::TimePoint{} + 1h;
  MeterBallistics::TimePoint holdUntil = MeterBallistics::TimePoint::min();
  MeterReading reading = MeterBallistics::next({}, 1.0f, false, now, holdUntil, 1);
  EXPECT_EQ(holdUntil, now + 3s);
  // After the hold, 0.4 dB of release would take the peak below the −0.26 dB level.
  reading = MeterBallistics::next(reading, 0.97f, false, now + 4s, holdUntil, 1);
  EXPECT_NEAR(reading.peakDBFS, 20.0 * std::log10(0.97), 1e-6);
  EXPECT_EQ(reading.peakDBFS, reading.levelDBFS);
  const double level = reading.levelDBFS;
  reading = MeterBallistics::next(reading, 0.0f, false, now + 5s, holdUntil, 8);
  EXPECT_NEAR(reading.levelDBFS, level - 8 * 0.6, 1e-9);
  EXPECT_NEAR(reading.peakDBFS, level - 8 * 0.4, 1e-9);
}

TEST(PollingTest, MetersFallAndHoldAndAClearedClipReachesTheRing) {
  ControllerHarness h;
  h.plugOutput("Speakers", "speakers");
  const AudioObjectID scarlett = h.plugInput("Scarlett 4i4", "scarlett");
  MonitorViewModel& vm = h.launch();
  h.setSignal(scarlett, 1.0f);
  vm.toggleMonitoring();
  h.advance(100ms);
  h.setSignal(scarlett, 0.0f);
  h.advance(40ms);  // the last loud block has been polled
  const MeterReading loud = vm.leftMeter();
  ASSERT_TRUE(loud.isClipping && vm.rightMeter().isClipping);
  h.advance(330ms);
  EXPECT_NEAR(vm.leftMeter().levelDBFS, loud.levelDBFS - 6.0, 1e-9) << "0.6 dB per poll";
  EXPECT_EQ(vm.leftMeter().peakDBFS, loud.peakDBFS) << "held";
  vm.clearLeftClip();
  h.advance(40ms);
  EXPECT_FALSE(vm.leftMeter().isClipping) << "the ring buffer's latch was cleared too";
  EXPECT_TRUE(vm.rightMeter().isClipping);
}

// The window closed: the loop wakes an eighth as often, the meters fall as far per second, and a
// burst between two polls still reaches the peak memory and the clip lamp.
TEST(PollingTest, UnseenMetersArePolledAnEighthAsOftenAndMissNoPeak) {
  ControllerHarness h;
  h.plugOutput("Speakers", "speakers");
  const AudioObjectID scarlett = h.plugInput("Scarlett 4i4", "scarlett");
  MonitorViewModel& vm = h.launch();
  vm.toggleMonitoring();
  h.advance(100ms);
  int notifications = 0;
  vm.subscribe([&] { ++notifications; });
  const auto notificationsOver = [&](std::chrono::milliseconds span) {
    notifications = 0;
    h.advance(span);
    return notifications;
  };
  const int seen = notificationsOver(1056ms);
  vm.setMetersObserved(false);
  h.advance(40ms);
  const int unseen = notificationsOver(1056ms);
  EXPECT_GT(unseen, 0);
  EXPECT_LE(unseen * 6, seen);

  h.setSignal(scarlett, 1.0f);
  h.advance(20ms);
  h.setSignal(scarlett, 0.0f);
  h.advance(300ms);
  EXPECT_TRUE(vm.leftMeter().isClipping);
  EXPECT_EQ(vm.leftMeter().sessionPeakDBFS, 0.0);
  const double level = vm.leftMeter().levelDBFS;
  h.advance(1056ms);
  EXPECT_NEAR(vm.leftMeter().levelDBFS, level - 32 * 0.6, 1e-9) << "as far as 32 seen polls";

  vm.setMetersObserved(true);
  EXPECT_EQ(notificationsOver(1ms), 1) << "a view that appears is polled for at once";
}

}  // namespace
