#include "audio/MonitoringEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "audio/CoreAudioFailure.h"
#include "platform/simulated/SimulatedAudioOutputRecorder.h"
#include "platform/simulated/SimulatedAudioSignals.h"
#include "platform/simulated/SimulatedPlatform.h"
#include "support/SineAnalysis.h"

namespace {

using Op = SimulatedAudioOperation;
using Kind = SimulatedUnitKind;

struct Step {
  Op operation;
  Kind kind;
  UInt32 id = 0;
  AudioUnitScope scope = 0;
  AudioUnitElement element = 0;
  friend bool operator==(const Step&, const Step&) = default;
};

std::ostream& operator<<(std::ostream& out, const Step& step) {
  return out << simulatedAudioOperationName(step.operation) << "/"
             << simulatedUnitKindName(step.kind) << " " << step.id << " " << step.scope << " "
             << step.element;
}

// The unit calls of a run, without the component lookups whose kind depends on the port.
std::vector<Step> unitSteps(const std::vector<SimulatedAudioCall>& calls) {
  std::vector<Step> steps;
  for (const SimulatedAudioCall& call : calls) {
    if (call.operation == Op::findNext || call.operation == Op::instanceNew ||
        call.operation == Op::instanceDispose) {
      steps.push_back(Step{call.operation, Kind::none});
    } else {
      steps.push_back(Step{call.operation, call.kind, call.id, call.scope, call.element});
    }
  }
  return steps;
}

constexpr AudioUnitScope G = kAudioUnitScope_Global;
constexpr AudioUnitScope I = kAudioUnitScope_Input;
constexpr AudioUnitScope O = kAudioUnitScope_Output;

const std::vector<Step> kStartSteps = {
    {Op::findNext, Kind::none},
    {Op::instanceNew, Kind::none},
    {Op::setProperty, Kind::ahalUnbound, kAudioOutputUnitProperty_EnableIO, I, 1},
    {Op::setProperty, Kind::input, kAudioOutputUnitProperty_EnableIO, O, 0},
    {Op::setProperty, Kind::input, kAudioOutputUnitProperty_CurrentDevice, G, 0},
    {Op::setProperty, Kind::input, kAudioUnitProperty_MaximumFramesPerSlice, G, 0},
    {Op::getProperty, Kind::input, kAudioUnitProperty_MaximumFramesPerSlice, G, 0},
    {Op::setProperty, Kind::input, kAudioOutputUnitProperty_ChannelMap, O, 1},
    {Op::setProperty, Kind::input, kAudioUnitProperty_StreamFormat, O, 1},
    {Op::setProperty, Kind::input, kAudioOutputUnitProperty_SetInputCallback, G, 0},
    {Op::findNext, Kind::none},
    {Op::instanceNew, Kind::none},
    {Op::setProperty, Kind::varispeed, kAudioUnitProperty_MaximumFramesPerSlice, G, 0},
    {Op::setProperty, Kind::varispeed, kAudioUnitProperty_RenderQuality, G, 0},
    {Op::setProperty, Kind::varispeed, kAudioUnitProperty_StreamFormat, I, 0},
    {Op::setProperty, Kind::varispeed, kAudioUnitProperty_StreamFormat, O, 0},
    {Op::setProperty, Kind::varispeed, kAudioUnitProperty_SetRenderCallback, I, 0},
    {Op::setParameter, Kind::varispeed, kVarispeedParam_PlaybackRate, G, 0},
    {Op::findNext, Kind::none},
    {Op::instanceNew, Kind::none},
    {Op::setProperty, Kind::ahalUnbound, kAudioOutputUnitProperty_EnableIO, O, 0},
    {Op::setProperty, Kind::output, kAudioOutputUnitProperty_EnableIO, I, 1},
    {Op::setProperty, Kind::output, kAudioOutputUnitProperty_CurrentDevice, G, 0},
    {Op::setProperty, Kind::output, kAudioUnitProperty_MaximumFramesPerSlice, G, 0},
    {Op::setProperty, Kind::output, kAudioUnitProperty_StreamFormat, I, 0},
    {Op::setProperty, Kind::output, kAudioUnitProperty_SetRenderCallback, I, 0},
    {Op::initialize, Kind::input},
    {Op::initialize, Kind::varispeed},
    {Op::initialize, Kind::output},
    {Op::getProperty, Kind::varispeed, kAudioUnitProperty_Latency, G, 0},
    {Op::outputStart, Kind::input},
    {Op::outputStart, Kind::output},
};

const std::vector<Step> kStopSteps = {
    {Op::outputStop, Kind::output},      {Op::outputStop, Kind::input},
    {Op::uninitialize, Kind::output},    {Op::instanceDispose, Kind::none},
    {Op::uninitialize, Kind::varispeed}, {Op::instanceDispose, Kind::none},
    {Op::uninitialize, Kind::input},     {Op::instanceDispose, Kind::none},
};

// Remembers every blocking sleep and lets the simulated world render through it.
class RecordingSleep final : public BlockingSleep {
 public:
  explicit RecordingSleep(BlockingSleep& inner) : inner_(inner) {}
  void sleepFor(std::chrono::nanoseconds duration) override {
    sleeps.push_back(std::chrono::duration<double>(duration).count());
    inner_.sleepFor(duration);
  }
  std::vector<double> sleeps;

 private:
  BlockingSleep& inner_;
};

struct EngineFixture : ::testing::Test {
  SimulatedPlatform platform;
  AudioObjectID interface = platform.plug({.uid = "usb-interface",
                                           .name = "Scarlett 18i20",
                                           .inputChannels = 8,
                                           .outputChannels = 0,
                                           .sampleRate = 48000,
                                           .bufferFrames = 512});
  AudioObjectID speakers = platform.plug({.uid = "speakers",
                                          .name = "Speakers",
                                          .inputChannels = 0,
                                          .outputChannels = 2,
                                          .sampleRate = 44100,
                                          .bufferFrames = 512});
  // Declared before the engine: its fade-out at teardown still plays into the recorder.
  SimulatedAudioOutputRecorder recorder{44100 * 4};
  RecordingSleep sleep{platform.sleep()};
  MonitoringEngine engine{platform.components(), sleep};

  // The world's virtual time as the controller's clock would read it.
  std::chrono::steady_clock::time_point at() {
    return std::chrono::steady_clock::time_point{} +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(platform.world().now()));
  }

  MonitoringConfiguration route(int left = 2, int right = 3) const {
    return MonitoringConfiguration{
        interface, AudioChannelPair{left, right, "In 3", "In 4"}, 48000, 512, speakers, 44100, 512};
  }

  void expectStoppedWithNothingLeft() {
    EXPECT_FALSE(engine.isRunning());
    EXPECT_FALSE(engine.realtimeSnapshot(at()));
    EXPECT_EQ(platform.components().liveInstanceCount(), 0u);
  }
};

TEST_F(EngineFixture, StartsAndStopsInTheFixedOrder) {
  engine.start(route(), false);
  EXPECT_TRUE(engine.isRunning());
  EXPECT_EQ(unitSteps(platform.components().calls()), kStartSteps);

  platform.components().clearCalls();
  engine.stop();
  EXPECT_EQ(unitSteps(platform.components().calls()), kStopSteps);
  ASSERT_EQ(sleep.sleeps.size(), 1u);
  EXPECT_DOUBLE_EQ(sleep.sleeps[0], 0.04);
  expectStoppedWithNothingLeft();

  platform.components().clearCalls();
  engine.stop();  // stopping a stopped engine neither calls nor sleeps
  EXPECT_TRUE(platform.components().calls().empty());
  EXPECT_EQ(sleep.sleeps.size(), 1u);
}

TEST_F(EngineFixture, FadeOutCoversTwoLongOutputBlocksUpToAQuarterSecond) {
  platform.world().device(speakers)->setBlockFrames(4096);
  MonitoringConfiguration longBlocks = route();
  longBlocks.outputBufferFrameSize = 4096;
  engine.start(longBlocks, false);
  engine.stop();
  longBlocks.outputBufferFrameSize = 8192;
  platform.world().device(speakers)->setBlockFrames(8192);
  engine.start(longBlocks, false);
  engine.stop();
  ASSERT_EQ(sleep.sleeps.size(), 2u);
  EXPECT_NEAR(sleep.sleeps[0], 2.0 * 4096 / 44100, 1e-9);
  EXPECT_DOUBLE_EQ(sleep.sleeps[1], 0.25);
}

TEST_F(EngineFixture, RefusesRatesAndBufferSizesBeforeCreatingAnything) {
  struct Case {
    double in, out;
    std::uint32_t inBlock, outBlock;
    const char* description;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {7999.99, 48000, 512, 512,
       "Use a standard PCM rate up to 192 kHz for the input route failed ('!dat', 560226676)."},
      {192000.01, 48000, 512, 512,
       "Use a standard PCM rate up to 192 kHz for the input route failed ('!dat', 560226676)."},
      {nan, nan, 512, 512,
       "Use a standard PCM rate up to 192 kHz for the input route failed ('!dat', 560226676)."},
      {48000, inf, 512, 512,
       "Use a standard PCM rate up to 192 kHz for the output route failed ('!dat', 560226676)."},
      {48000, 44100, 65537, 65537,
       "Use a valid audio buffer size for the input route failed (OSStatus, -50)."},
      {48000, 44100, 512, 65537,
       "Use a valid audio buffer size for the output route failed (OSStatus, -50)."},
  };
  for (const Case& c : cases) {
    MonitoringConfiguration configuration = route();
    configuration.inputSampleRate = c.in;
    configuration.outputSampleRate = c.out;
    configuration.inputBufferFrameSize = c.inBlock;
    configuration.outputBufferFrameSize = c.outBlock;
    try {
      engine.start(configuration, false);
      ADD_FAILURE() << "started with " << c.description;
    } catch (const CoreAudioFailure& failure) {
      EXPECT_EQ(failure.errorDescription(), c.description);
    }
    EXPECT_TRUE(platform.components().calls().empty());
    expectStoppedWithNothingLeft();
  }
}

struct FailureCase {
  SimulatedCallFailure failure;
  const char* operation;
  OSStatus status;
};

class EngineStepFailure : public EngineFixture,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(EngineStepFailure, ThrowsThePhraseAndLeavesNothingBehind) {
  const FailureCase& c = GetParam();
  platform.components().failCall(c.failure);
  try {
    engine.start(route(), false);
    FAIL() << "start succeeded";
  } catch (const CoreAudioFailure& failure) {
    EXPECT_EQ(failure.operation, c.operation);
    EXPECT_EQ(failure.status, c.status);
  }
  expectStoppedWithNothingLeft();
  EXPECT_TRUE(sleep.sleeps.empty());  // nothing ran, so nothing fades
  // The engine starts cleanly afterwards.
  platform.components().clearCallFailures();
  engine.start(route(), false);
  EXPECT_TRUE(engine.isRunning());
}

SimulatedCallFailure set(Kind kind, UInt32 id, AudioUnitScope scope, AudioUnitElement element,
                         OSStatus status) {
  return {Op::setProperty, status, kind, id, scope, element, 1};
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, EngineStepFailure,
    ::testing::Values(
        FailureCase{set(Kind::ahalUnbound, kAudioOutputUnitProperty_EnableIO, I, 1, -1001),
                    "Enable audio input", -1001},
        FailureCase{set(Kind::input, kAudioOutputUnitProperty_EnableIO, O, 0, -1002),
                    "Disable input-device playback", -1002},
        FailureCase{set(Kind::input, kAudioOutputUnitProperty_CurrentDevice, G, 0, -1003),
                    "Select the audio input", -1003},
        FailureCase{set(Kind::input, kAudioUnitProperty_MaximumFramesPerSlice, G, 0, -1004),
                    "Configure the input buffer size", -1004},
        FailureCase{{Op::getProperty, -1005, Kind::input, kAudioUnitProperty_MaximumFramesPerSlice,
                     G, 0, 1},
                    "Read the input buffer size",
                    -1005},
        FailureCase{{Op::getProperty, noErr, Kind::input, kAudioUnitProperty_MaximumFramesPerSlice,
                     G, 0, 1, 8193},
                    "Read the input buffer size",
                    kAudio_ParamError},
        FailureCase{{Op::getProperty, noErr, Kind::input, kAudioUnitProperty_MaximumFramesPerSlice,
                     G, 0, 1, 512, 2},
                    "Read the input buffer size",
                    kAudio_ParamError},
        FailureCase{set(Kind::input, kAudioOutputUnitProperty_ChannelMap, O, 1, -1006),
                    "Select the stereo input channels", -1006},
        FailureCase{set(Kind::input, kAudioUnitProperty_StreamFormat, O, 1, -1007),
                    "Configure the input audio format", -1007},
        FailureCase{set(Kind::input, kAudioOutputUnitProperty_SetInputCallback, G, 0, -1008),
                    "Install the input callback", -1008},
        FailureCase{set(Kind::varispeed, kAudioUnitProperty_MaximumFramesPerSlice, G, 0, -1011),
                    "Configure rate compensation buffers", -1011},
        FailureCase{set(Kind::varispeed, kAudioUnitProperty_RenderQuality, G, 0, -1012),
                    "Configure high-quality sample-rate conversion", -1012},
        FailureCase{set(Kind::varispeed, kAudioUnitProperty_StreamFormat, I, 0, -1013),
                    "Configure the rate-compensation input", -1013},
        FailureCase{set(Kind::varispeed, kAudioUnitProperty_StreamFormat, O, 0, -1014),
                    "Configure the rate-compensation output", -1014},
        FailureCase{set(Kind::varispeed, kAudioUnitProperty_SetRenderCallback, I, 0, -1015),
                    "Connect the drift buffer", -1015},
        FailureCase{
            {Op::setParameter, -1016, Kind::varispeed, kVarispeedParam_PlaybackRate, G, 0, 1},
            "Set the initial playback rate",
            -1016},
        FailureCase{set(Kind::ahalUnbound, kAudioOutputUnitProperty_EnableIO, O, 0, -1021),
                    "Enable system audio output", -1021},
        FailureCase{set(Kind::output, kAudioOutputUnitProperty_EnableIO, I, 1, -1022),
                    "Disable output-device capture", -1022},
        FailureCase{set(Kind::output, kAudioOutputUnitProperty_CurrentDevice, G, 0, -1023),
                    "Select the system audio output", -1023},
        FailureCase{set(Kind::output, kAudioUnitProperty_MaximumFramesPerSlice, G, 0, -1024),
                    "Configure the output buffer size", -1024},
        FailureCase{set(Kind::output, kAudioUnitProperty_StreamFormat, I, 0, -1025),
                    "Configure the output audio format", -1025},
        FailureCase{set(Kind::output, kAudioUnitProperty_SetRenderCallback, I, 0, -1026),
                    "Connect the system audio output", -1026},
        FailureCase{{Op::findNext, 0, {}, {}, {}, {}, 1}, "Find a required audio component", -4},
        FailureCase{{Op::findNext, 0, {}, {}, {}, {}, 2}, "Find a required audio component", -4},
        FailureCase{{Op::findNext, 0, {}, {}, {}, {}, 3}, "Find a required audio component", -4},
        FailureCase{
            {Op::instanceNew, -1031, {}, {}, {}, {}, 1}, "Create an audio component", -1031},
        FailureCase{
            {Op::instanceNew, -1032, {}, {}, {}, {}, 2}, "Create an audio component", -1032},
        FailureCase{{Op::instanceNew, noErr, {}, {}, {}, {}, 3}, "Create an audio component", -108},
        FailureCase{{Op::initialize, -1041, Kind::input}, "Initialize the selected input", -1041},
        FailureCase{
            {Op::initialize, -1042, Kind::varispeed}, "Initialize sample-rate compensation", -1042},
        FailureCase{{Op::initialize, -1043, Kind::output}, "Initialize the system output", -1043},
        FailureCase{{Op::outputStart, -1051, Kind::input}, "Start the selected input", -1051},
        FailureCase{{Op::outputStart, -1052, Kind::output}, "Start the system output", -1052}));

TEST_F(EngineFixture, StopsTheStartedInputWhenTheOutputWillNotStart) {
  platform.components().failCall({Op::outputStart, -1052, Kind::output});
  EXPECT_THROW(engine.start(route(), false), CoreAudioFailure);
  const auto steps = unitSteps(platform.components().calls());
  const auto failed = std::find(steps.begin(), steps.end(), Step{Op::outputStart, Kind::output});
  ASSERT_NE(failed, steps.end());
  ASSERT_NE(failed + 1, steps.end());
  EXPECT_EQ(*(failed + 1), (Step{Op::outputStop, Kind::input}));
}

TEST_F(EngineFixture, RestartRebuildsAndAFailedRebuildEndsStopped) {
  engine.start(route(), false);
  engine.start(route(0, 1), true);
  EXPECT_TRUE(engine.isRunning());
  EXPECT_EQ(sleep.sleeps.size(), 1u);  // the first route faded out
  EXPECT_EQ(platform.components().liveInstanceCount(), 3u);

  platform.components().failCall({Op::initialize, -1043, Kind::output});
  EXPECT_THROW(engine.start(route(), false), CoreAudioFailure);
  expectStoppedWithNothingLeft();
}

TEST_F(EngineFixture, PlaysTheSelectedPairAtUnityGain) {
  SimulatedAudioDevice& input = *platform.world().device(interface);
  for (UInt32 channel = 0; channel < 8; ++channel) {
    input.setInputSignal(channel,
                         makeSineSignal(200.0 + 100.0 * channel, 0.05f * (channel + 1), 48000));
  }
  platform.world().device(speakers)->setOutputSink(recorder.sink());

  engine.start(route(2, 3), false);
  platform.world().advance(3.0);
  const auto later = engine.realtimeSnapshot(at());
  ASSERT_TRUE(later);
  EXPECT_NEAR(later->leftPeak, 0.15f, 1e-3);
  EXPECT_NEAR(later->rightPeak, 0.20f, 1e-3);
  EXPECT_FALSE(later->leftClipped);
  EXPECT_EQ(later->diagnostics.underruns, 0u);
  EXPECT_EQ(later->diagnostics.overruns, 0u);
  EXPECT_GT(later->diagnostics.bufferedFrames, 0u);
  // Peaks are since the previous snapshot.
  EXPECT_EQ(engine.realtimeSnapshot(at())->leftPeak, 0.0f);

  const auto tail = [&](std::span<const float> channel) { return channel.last(44100); };
  const SineFit left = fitSineFindingFrequency(tail(recorder.left()), 44100, 380, 420);
  const SineFit right = fitSineFindingFrequency(tail(recorder.right()), 44100, 480, 520);
  EXPECT_NEAR(left.frequency, 400.0, 0.5);
  EXPECT_NEAR(right.frequency, 500.0, 0.5);
  EXPECT_NEAR(20 * std::log10(left.amplitude / 0.15), 0.0, 0.05);
  EXPECT_NEAR(20 * std::log10(right.amplitude / 0.20), 0.0, 0.05);
  // The drift controller is still settling three seconds in, so the tone is not yet perfectly
  // steady; what matters here is that no other channel leaks in.
  EXPECT_GT(left.snrDb, 40.0);
  EXPECT_GT(right.snrDb, 40.0);

  // Stopping fades out: the last frames played before the units stop are 20 dB down or more.
  engine.stop();
  float last = 0;
  for (const float sample : recorder.left().last(64)) last = std::max(last, std::fabs(sample));
  EXPECT_LT(last, 0.015f);
}

TEST_F(EngineFixture, ARuntimeStatusAppearsInExactlyOneSnapshot) {
  platform.components().failOnAudioPath({Op::render, Kind::input, 20, -10863});
  engine.start(route(), false);
  platform.world().advance(1.0);
  const auto failed = engine.realtimeSnapshot(at());
  ASSERT_TRUE(failed && failed->runtimeFailure);
  EXPECT_EQ(failed->runtimeFailure->errorDescription(),
            "The real-time audio stream failed (OSStatus, -10863).");
  EXPECT_TRUE(engine.isRunning());  // the controller decides what to do about it
  EXPECT_FALSE(engine.realtimeSnapshot(at())->runtimeFailure);
}

TEST_F(EngineFixture, AnInputThatDeliversNothingForASecondIsAStall) {
  engine.start(route(), false);
  platform.world().advance(0.5);
  ASSERT_FALSE(engine.realtimeSnapshot(at())->runtimeFailure);
  // Only the audio stops: the catalog still shows the device, as with a stream that runs idle.
  platform.world().device(interface)->setAlive(false);
  platform.world().advance(0.9);
  EXPECT_FALSE(engine.realtimeSnapshot(at())->runtimeFailure);
  platform.world().advance(0.2);
  const auto stalled = engine.realtimeSnapshot(at());
  ASSERT_TRUE(stalled && stalled->runtimeFailure);
  EXPECT_TRUE(stalled->inputStalled);
  EXPECT_EQ(stalled->runtimeFailure->errorDescription(),
            "Receive audio from the selected input failed ('stop', 1937010544).");
}

TEST(MonitoringEngineLifetime, DestructionTearsDownARunningRoute) {
  SimulatedPlatform platform;
  const AudioObjectID in = platform.plug({.uid = "in", .name = "In", .inputChannels = 2});
  const AudioObjectID out = platform.plug({.uid = "out", .name = "Out", .outputChannels = 2});
  {
    MonitoringEngine engine(platform.components(), platform.sleep());
    engine.start({in, AudioChannelPair{0, 1, "L", "R"}, 48000, 512, out, 48000, 512}, false);
    platform.world().advance(0.5);
  }
  EXPECT_EQ(platform.components().liveInstanceCount(), 0u);
  EXPECT_FALSE(platform.world().device(in)->hasInputUnit());
}

}  // namespace
