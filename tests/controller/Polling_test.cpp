#include <gtest/gtest.h>

#include <cmath>

#include "controller/ControllerHarness.h"
#include "controller/MeterBallistics.h"

namespace {

TEST(MeterBallisticsTest, ReleaseStopsAtTheLevel) {
  MeterBallistics::TimePoint now = MeterBallistics::TimePoint{} + 1h;
  MeterBallistics::TimePoint holdUntil = MeterBallistics::TimePoint::min();
  MeterReading reading = MeterBallistics::next({}, 1.0f, false, now, holdUntil);
  EXPECT_EQ(holdUntil, now + 3s);
  // After the hold, 0.4 dB of release would take the peak below the −0.26 dB level.
  reading = MeterBallistics::next(reading, 0.97f, false, now + 4s, holdUntil);
  EXPECT_NEAR(reading.peakDBFS, 20.0 * std::log10(0.97), 1e-6);
  EXPECT_EQ(reading.peakDBFS, reading.levelDBFS);
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

}  // namespace
