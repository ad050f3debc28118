#include "audio/MonitoringEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <span>
#include <tuple>
#include <vector>

#include "audio/CoreAudioFailure.h"
#include "platform/simulated/SimulatedAudioSignals.h"
#include "platform/simulated/SimulatedPlatform.h"
#include "support/SineAnalysis.h"

namespace {

using Op = SimulatedAudioOperation;
using Kind = SimulatedUnitKind;

using Step = SimulatedAudioCall;

const std::vector<Step> kStopSteps = {
    {Op::outputStop, Kind::output},      {Op::outputStop, Kind::input},
    {Op::uninitialize, Kind::output},    {Op::instanceDispose, Kind::output},
    {Op::uninitialize, Kind::varispeed}, {Op::instanceDispose, Kind::varispeed},
    {Op::uninitialize, Kind::input},     {Op::instanceDispose, Kind::input},
};

struct EngineFixture : ::testing::Test {
  SimulatedPlatform platform;
  AudioObjectID interface = platform.plug(
      {.uid = "usb-interface", .name = "Scarlett 18i20", .inputChannels = 8, .sampleRate = 48000});
  AudioObjectID speakers = platform.plug(
      {.uid = "speakers", .name = "Speakers", .outputChannels = 2, .sampleRate = 44100});
  // Declared before the engine: its fade-out at teardown still plays into them.
  std::vector<float> playedLeft, playedRight;
  MonitoringEngine engine{platform.components(), platform.sleep()};

  // At one fixed time: the input's stall is the controller's to see.
  std::optional<RealtimeSnapshot> snapshot() { return engine.realtimeSnapshot({}); }
  MonitoringConfiguration route(int left = 2, int right = 3,
                                std::uint32_t outputBlock = 512) const {
    return {interface,  AudioChannelPair{left, right, "In 3", "In 4"}, 48000, 512, speakers, 44100,
            outputBlock};
  }
  std::optional<CoreAudioFailure> failedStart(const MonitoringConfiguration& configuration) {
    try {
      engine.start(configuration, false);
    } catch (const CoreAudioFailure& failure) {
      return failure;
    }
    return std::nullopt;
  }
  // Sleeps advance virtual time: how long a stop slept for its fade-out.
  double fadeOfStop() {
    const double before = platform.world().now();
    engine.stop();
    return platform.world().now() - before;
  }
  void expectStoppedWithNothingLeft() {
    EXPECT_FALSE(engine.isRunning());
    EXPECT_FALSE(snapshot());
    EXPECT_EQ(platform.components().liveInstanceCount(), 0u);
  }
};

// The fade-out covers two output blocks, at least 40 ms and at most a quarter second.
TEST_F(EngineFixture, StartsAndStopsInTheFixedOrderAndFadesOutForTwoOutputBlocks) {
  for (const auto& [block, fade] :
       {std::pair{512u, 0.04}, {4096u, 2.0 * 4096 / 44100}, {8192u, 0.25}}) {
    platform.world().device(speakers)->setBlockFrames(block);
    engine.start(route(2, 3, block), false);
    EXPECT_TRUE(engine.isRunning());
    const std::vector<Step>& calls = platform.components().calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(std::vector(calls.end() - 2, calls.end()),
              (std::vector<Step>{{Op::outputStart, Kind::input}, {Op::outputStart, Kind::output}}))
        << "the input starts first, and nothing follows the two starts";
    platform.components().clearCalls();
    EXPECT_NEAR(fadeOfStop(), fade, 1e-9);
    EXPECT_EQ(platform.components().calls(), kStopSteps);
    expectStoppedWithNothingLeft();
    platform.components().clearCalls();
    EXPECT_EQ(fadeOfStop(), 0.0) << "stopping a stopped engine neither calls nor sleeps";
    EXPECT_TRUE(platform.components().calls().empty());
  }
}

// A rate or block size out of range is refused before anything is created. Then every call of a
// clean start fails in turn, then three readings or results that look fine but are not. Each
// failure names its own step, stops whatever had started and leaves nothing behind, and the
// engine starts cleanly afterwards.
TEST_F(EngineFixture, AFailureAtAnyStartStepThrowsItsPhraseAndLeavesNothingBehind) {
  for (const auto& [in, outBlock] : {std::pair{7999.99, 512u}, std::pair{48000.0, 65537u}}) {
    EXPECT_TRUE(failedStart(
        {interface, AudioChannelPair{0, 1, "L", "R"}, in, 512, speakers, 44100, outBlock}));
    EXPECT_TRUE(platform.components().calls().empty());
    expectStoppedWithNothingLeft();
  }
  engine.start(route(), false);
  const std::vector<Step> steps = platform.components().calls();
  engine.stop();
  platform.components().clearCalls();
  std::vector<std::pair<SimulatedCallFailure, OSStatus>> rows;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    if (s.id == kAudioUnitProperty_Latency) continue;  // unreadable, it counts as none
    const auto occurrence =
        static_cast<UInt32>(std::count(steps.begin(), steps.begin() + i + 1, s));
    const OSStatus status = -1000 - static_cast<OSStatus>(i);
    rows.push_back({{s.operation, status, s.kind, s.id, s.scope, s.element, occurrence},
                    s.operation == Op::findNext ? kAudio_UnimplementedError : status});
  }
  SimulatedCallFailure reading{Op::getProperty, noErr, Kind::input,
                               kAudioUnitProperty_MaximumFramesPerSlice};
  reading.reading = 8193;  // more than asked for
  rows.push_back({reading, kAudio_ParamError});
  reading.reading = 512;
  reading.readingBytes = 2;
  rows.push_back({reading, kAudio_ParamError});
  rows.push_back({{Op::instanceNew, noErr, Kind::ahalUnbound, {}, {}, {}, 2}, kAudio_MemFullError});

  std::set<std::string> phrases;
  for (const auto& [injected, status] : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(injected.operation) << " "
                                    << injected.id.value_or(0) << " " << injected.status);
    platform.components().failCall(injected);
    const double before = platform.world().now();
    const auto failure = failedStart(route());
    EXPECT_EQ(platform.world().now(), before) << "nothing ran, so nothing fades";
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->status, status);
    const bool ownPhrase = injected.operation != Op::findNext &&
                           injected.operation != Op::instanceNew && injected.status != noErr;
    EXPECT_TRUE(!ownPhrase || phrases.insert(failure->operation).second) << failure->operation;
    expectStoppedWithNothingLeft();
    const std::vector<SimulatedAudioCall>& calls = platform.components().calls();
    for (auto c = calls.begin(); c != calls.end(); ++c) {
      if (c->operation != Op::outputStart || c->status != noErr) continue;
      const SimulatedAudioCall stop{Op::outputStop, c->kind};
      EXPECT_NE(std::find(c, calls.end(), stop), calls.end()) << "a started unit left running";
    }
    platform.components().clearCallFailures();
    platform.components().clearCalls();
    EXPECT_FALSE(failedStart(route()));
    engine.stop();
  }
}

TEST_F(EngineFixture, PlaysTheSelectedPairAtUnityGain) {
  for (UInt32 channel = 0; channel < 8; ++channel) {
    platform.world().device(interface)->setInputSignal(
        channel, makeSineSignal(200.0 + 100.0 * channel, 0.05f * (channel + 1), 48000));
  }
  platform.world().device(speakers)->setOutputSink([&](const SimulatedOutputBlock& block) {
    playedLeft.insert(playedLeft.end(), block.left.begin(), block.left.end());
    playedRight.insert(playedRight.end(), block.right.begin(), block.right.end());
  });
  engine.start(route(2, 3), false);
  platform.world().advance(3.0);
  const auto later = snapshot();
  ASSERT_TRUE(later);
  EXPECT_NEAR(later->leftPeak, 0.15f, 1e-3);
  EXPECT_NEAR(later->rightPeak, 0.20f, 1e-3);
  EXPECT_FALSE(later->leftClipped);
  EXPECT_EQ(later->diagnostics.underruns + later->diagnostics.overruns, 0u);
  EXPECT_GT(later->diagnostics.bufferedFrames, 0u);
  EXPECT_EQ(snapshot()->leftPeak, 0.0f) << "peaks are since the previous snapshot";

  // The drift controller is still settling three seconds in, so the tone is not yet perfectly
  // steady; what matters here is that no other channel leaks in.
  for (const auto& [channel, hz, amplitude] :
       {std::tuple{&playedLeft, 400.0, 0.15}, std::tuple{&playedRight, 500.0, 0.20}}) {
    const SineFit fit =
        fitSineFindingFrequency(std::span(*channel).last(44100), 44100, hz - 20, hz + 20);
    EXPECT_NEAR(fit.frequency, hz, 0.5);
    EXPECT_NEAR(20 * std::log10(fit.amplitude / amplitude), 0.0, 0.05);
    EXPECT_GT(fit.snrDb, 40.0);
  }
  // Stopping fades out: the last frames played before the units stop are 20 dB down or more.
  engine.stop();
  float last = 0;
  for (const float sample : std::span(playedLeft).last(64))
    last = std::max(last, std::fabs(sample));
  EXPECT_LT(last, 0.015f);
}

TEST_F(EngineFixture, ARuntimeStatusAppearsInExactlyOneSnapshot) {
  platform.components().failOnAudioPath({Op::render, Kind::input, 20, -10863});
  engine.start(route(), false);
  platform.world().advance(1.0);
  const auto failed = snapshot();
  ASSERT_TRUE(failed && failed->runtimeFailure);
  EXPECT_EQ(failed->runtimeFailure->errorDescription(),
            "The real-time audio stream failed (OSStatus, -10863).");
  EXPECT_TRUE(engine.isRunning());  // the controller decides what to do about it
  EXPECT_FALSE(snapshot()->runtimeFailure);
}

}  // namespace
