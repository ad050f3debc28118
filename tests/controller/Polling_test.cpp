#include <gtest/gtest.h>

#include <cmath>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

namespace {

const double kSineDB = 20.0 * std::log10(static_cast<double>(ControllerHarness::kSignalAmplitude));

class PollingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    speakers = harness.plugOutput("Speakers", "speakers");
    scarlett = harness.plugInput("Scarlett 4i4", "scarlett");
    harness.launch();
    harness.settle();
  }

  MonitorViewModel& vm() { return harness.vm(); }

  void start() {
    vm().toggleMonitoring();
    harness.settle();
  }

  void setSignal(float amplitude) {
    SimulatedAudioDevice& device = *harness.world.device(scarlett);
    for (UInt32 channel = 0; channel < device.inputChannels(); ++channel) {
      device.setInputSignal(channel, makeSineSignal(ControllerHarness::kSignalFrequency, amplitude,
                                                    device.nominalSampleRate()));
    }
  }

  // Polls that ran during `duration`, counted by their diagnostics assignment.
  int pollsDuring(std::chrono::milliseconds duration) {
    int polls = 0;
    const auto id = vm().subscribe([&] { ++polls; });
    harness.advance(duration);
    vm().unsubscribe(id);
    return polls / 3;  // two meters and the diagnostics per poll
  }

  ControllerHarness harness;
  AudioObjectID speakers = 0;
  AudioObjectID scarlett = 0;
};

TEST_F(PollingTest, PollsEvery33MillisecondsAlsoWhenNothingRuns) {
  EXPECT_EQ(pollsDuring(330ms), 10);
  EXPECT_EQ(vm().leftMeter(), MeterReading{});
  EXPECT_EQ(vm().diagnostics(), EngineDiagnostics{});
}

TEST_F(PollingTest, MetersFollowTheInputThenFallAndReleaseOnPollCadence) {
  start();
  harness.advance(100ms);
  EXPECT_NEAR(vm().leftMeter().levelDBFS, kSineDB, 0.05);
  EXPECT_NEAR(vm().rightMeter().peakDBFS, kSineDB, 0.05);
  EXPECT_NEAR(vm().leftMeter().sessionPeakDBFS, kSineDB, 0.05);
  EXPECT_GT(vm().diagnostics().outputSampleRate, 0.0);

  setSignal(0.0f);
  harness.advance(40ms);  // the last loud block has been polled
  const double level = vm().leftMeter().levelDBFS;
  const double peak = vm().leftMeter().peakDBFS;
  harness.advance(330ms);
  EXPECT_NEAR(vm().leftMeter().levelDBFS, level - 6.0, 1e-9) << "0.6 dB per poll, ten polls";
  EXPECT_EQ(vm().leftMeter().peakDBFS, peak) << "held";
  harness.advance(3000ms);
  EXPECT_EQ(vm().leftMeter().levelDBFS, -60.0);
  EXPECT_LT(vm().leftMeter().peakDBFS, peak) << "released after the hold";
  EXPECT_NEAR(vm().leftMeter().sessionPeakDBFS, kSineDB, 0.05);
}

TEST_F(PollingTest, ClearedClipLampStaysDarkWhileTheOtherStaysLit) {
  setSignal(1.0f);
  start();
  harness.advance(100ms);
  setSignal(0.0f);
  harness.advance(100ms);
  ASSERT_TRUE(vm().leftMeter().isClipping);
  ASSERT_TRUE(vm().rightMeter().isClipping);
  vm().clearLeftClip();
  EXPECT_FALSE(vm().leftMeter().isClipping);
  harness.advance(100ms);
  EXPECT_FALSE(vm().leftMeter().isClipping) << "the ring buffer's latch was cleared too";
  EXPECT_TRUE(vm().rightMeter().isClipping);
}

TEST_F(PollingTest, ReleasedPeakMemoryRestartsFromTheCurrentLevel) {
  setSignal(1.0f);
  start();
  harness.advance(100ms);
  setSignal(0.25f);
  harness.advance(100ms);
  ASSERT_NEAR(vm().leftMeter().sessionPeakDBFS, 0.0, 0.05);
  vm().releaseLeftPeak();
  EXPECT_EQ(vm().leftMeter().sessionPeakDBFS, -60.0);
  harness.advance(40ms);
  EXPECT_NEAR(vm().leftMeter().sessionPeakDBFS, 20.0 * std::log10(0.25), 0.05);
  EXPECT_NEAR(vm().rightMeter().sessionPeakDBFS, 0.0, 0.05);
}

TEST_F(PollingTest, MuteSilencesTheOutputButNotTheMeters) {
  start();
  harness.advance(400ms);
  vm().setMuted(true);
  EXPECT_TRUE(harness.defaults.boolForKey("muted"));
  harness.advance(100ms);
  harness.probe(speakers).reset();
  harness.advance(200ms);
  EXPECT_EQ(harness.probe(speakers).audibleFrames, 0u);
  EXPECT_NEAR(vm().leftMeter().levelDBFS, kSineDB, 0.05);
  vm().setMuted(false);
  harness.advance(200ms);
  EXPECT_GT(harness.probe(speakers).audibleFrames, 0u);
}

TEST_F(PollingTest, ShutdownEndsPollingAndStopsTheEngine) {
  start();
  vm().shutdown();
  EXPECT_FALSE(vm().monitorIntent());
  EXPECT_EQ(harness.components.liveInstanceCount(), 0u);
  EXPECT_EQ(pollsDuring(200ms), 0);
  EXPECT_EQ(vm().phase(), MonitoringPhase::running()) << "shutdown publishes nothing";
}

}  // namespace
