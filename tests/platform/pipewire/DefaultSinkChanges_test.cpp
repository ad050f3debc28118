#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/pipewire/ControllerOnPipeWire.h"
#include "platform/pipewire/PipeWireTestSession.h"
#include "platform/pipewire/ProcessFootprint.h"
#include "platform/pipewire/RouteAnalysis.h"
#include "platform/pipewire/WaveFiles.h"

using namespace pipewire_test;
using namespace std::chrono_literals;
using Kind = MonitoringPhase::Kind;

namespace {

constexpr double kRate = 48000.0;
constexpr double kAmplitude = 0.25;
constexpr double kToneSeconds = 120.0;

// Whenever the default output changes while monitoring, the tone must arrive at the new sink at
// unity and the ring must keep moving. What plays is measured at the sink itself, by a recorder
// that joins only after the switch: one already running there keeps the sink awake and hides a
// route that moves no audio. The player feeding the interface asks for the graph's quantum: on
// this daemon a player whose graph changes quantum (as it does each time the route's capture
// stream comes and goes) can stop being scheduled for good, and the interface then carries
// silence, as no hardware interface would.
class DefaultSinkChanges : public testing::Test {
 protected:
  void SetUp() override {
    const auto frames = static_cast<std::size_t>(kRate * kToneSeconds);
    const std::vector<float> left = MultiTone{{{997.0, kAmplitude}}, kRate}.samples(frames);
    const std::vector<float> right = MultiTone{{{1499.0, kAmplitude}}, kRate}.samples(frames);
    writeFloatWave(toneFile_, {left, right}, kRate);
    ASSERT_TRUE(runSession("feed " + toneFile_ + " 2 3"));
    monitor_.startMonitoring(kInterface, "2-3");
    ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 3s, kSpeakers));
  }

  void TearDown() override {
    runSession("unfeed");
    std::filesystem::remove(toneFile_);
    std::filesystem::remove(tapFile_);
  }

  // After the change that `switched` began: the route runs on `sink`, the ring's fill moves, and
  // the sink plays both tones at unity.
  void expectTheToneAt(const std::string& sink, std::chrono::steady_clock::time_point switched,
                       const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 2s, sink));
    const double running =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - switched).count();
    EXPECT_TRUE(monitor_.waitUntilFlowing(1s, [](MonitorViewModel&) { return true; }))
        << "the ring's fill stands still";
    const double meter = monitor_.onController(
        [](MonitorViewModel& controller) { return controller.leftMeter().levelDBFS; });
    EXPECT_GT(meter, -20.0) << "the input meter reads silence";
    ASSERT_TRUE(runSession("record " + sink + " " + tapFile_ + " 1"));
    const std::vector<std::vector<float>> tap = readFloatWave(tapFile_, 2);
    ASSERT_GE(tap[0].size(), 9600u) << "the tap recorded nothing";
    const double expected = kAmplitude / std::sqrt(2.0);
    for (const auto& side : tap) {
      const double level =
          20.0 * std::log10(rms(std::span<const float>(side).last(9600)) / expected);
      EXPECT_NEAR(level, 0.0, 0.5) << "level at " << sink;
    }
    // The route runs there; its audio arrives one route latency later.
    const double arrival =
        running + (static_cast<double>(monitor_.diagnostics().targetBufferedFrames) / kRate);
    EXPECT_LT(arrival, 1.0);
    std::printf("%s: running at %s after %.3f s, audio after about %.3f s\n", step.c_str(),
                sink.c_str(), running, arrival);
  }

  ControllerOnPipeWire monitor_;
  const std::string stem_ =
      (std::filesystem::temp_directory_path() / ("vx-sinks-" + std::to_string(getpid()))).string();
  const std::string toneFile_ = stem_ + "-tone.wav";
  const std::string tapFile_ = stem_ + "-tap.wav";
};

}  // namespace

TEST_F(DefaultSinkChanges, EverySwitchBackAndForthCarriesTheToneToTheNewSink) {
  const long switches = std::max(10L, fromEnvironment("VX_PW_SWITCHES", 10));
  ProcessFootprint afterFirst;
  for (long k = 0; k < switches; ++k) {
    const std::string sink = k % 2 == 0 ? kHeadphones : kSpeakers;
    ASSERT_TRUE(runSession("set-default " + sink));
    // The script returns once the session has made the switch.
    const auto switched = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(expectTheToneAt(sink, switched, "switch " + std::to_string(k + 1)));
    if (k == 0) afterFirst = ProcessFootprint::now();
  }
  const ProcessFootprint last = ProcessFootprint::now();
  expectFlat(afterFirst, last);
  std::printf("%ld switches; %s\n", switches, ProcessFootprint::change(afterFirst, last).c_str());
  if (switches % 2 == 1) runSession("set-default " + kSpeakers);
}

TEST_F(DefaultSinkChanges, TheFallbackSinkAndASinkBackAtAnotherRateCarryTheTone) {
  ASSERT_TRUE(runSession("unplug " + kSpeakers));
  auto changed = std::chrono::steady_clock::now();
  ASSERT_NO_FATAL_FAILURE(expectTheToneAt(kHeadphones, changed, "fallback"));

  ASSERT_TRUE(runSession("replug " + kSpeakers + " 44100"));
  ASSERT_TRUE(runSession("set-default " + kSpeakers));
  changed = std::chrono::steady_clock::now();
  ASSERT_NO_FATAL_FAILURE(expectTheToneAt(kSpeakers, changed, "back at 44.1 kHz"));
  EXPECT_EQ(monitor_.diagnostics().outputSampleRate, 44100.0);

  // Later tests expect the speakers at the graph's rate.
  runSession("unplug " + kSpeakers);
  runSession("replug " + kSpeakers);
  runSession("set-default " + kSpeakers);
}
