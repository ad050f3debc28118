#include "platform/simulated/SimulatedAudioComponents.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/simulated/SimulatedAudioVarispeed.h"
#include "platform/simulated/SimulatedAudioWorld.h"
#include "platform/simulated/SimulatedHardwareUnit.h"
#include "platform/simulated/SimulatedUnitSetup.h"

namespace {

constexpr AudioComponentDescription kHardwareDescription{
    kAudioUnitType_Output, kAudioUnitSubType_HALOutput, kAudioUnitManufacturer_Apple, 0, 0};
constexpr AudioComponentDescription kVarispeedDescription{kAudioUnitType_FormatConverter,
                                                          kAudioUnitSubType_Varispeed,
                                                          kAudioUnitManufacturer_Apple, 0, 0};

OSStatus ignoreInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                     AudioBufferList*) {
  return noErr;
}

class SimulatedAudioComponentsTest : public testing::Test {
 protected:
  void SetUp() override {
    world.addDevice({.id = 40, .inputChannels = 4, .outputChannels = 2, .blockFrames = 256});
  }

  AudioUnit make(const AudioComponentDescription& description) {
    AudioUnit unit = nullptr;
    const AudioComponent component = AudioComponentFindNext(components, nullptr, &description);
    EXPECT_NE(component, nullptr);
    EXPECT_EQ(AudioComponentInstanceNew(components, component, &unit), noErr);
    return unit;
  }

  SimulatedAudioWorld world;
  SimulatedAudioComponents components{world, makeSimulatedVarispeedFactory()};
};

TEST_F(SimulatedAudioComponentsTest, FindsTheHardwareUnitAndTheVarispeed) {
  const AudioComponent hardware =
      AudioComponentFindNext(components, nullptr, &kHardwareDescription);
  const AudioComponent varispeed =
      AudioComponentFindNext(components, nullptr, &kVarispeedDescription);
  ASSERT_NE(hardware, nullptr);
  ASSERT_NE(varispeed, nullptr);
  EXPECT_NE(hardware, varispeed);
  EXPECT_EQ(AudioComponentFindNext(components, hardware, &kHardwareDescription), nullptr);

  const AudioComponentDescription anyApple{0, 0, kAudioUnitManufacturer_Apple, 0, 0};
  EXPECT_EQ(AudioComponentFindNext(components, nullptr, &anyApple), hardware);
  EXPECT_EQ(AudioComponentFindNext(components, hardware, &anyApple), varispeed);
  EXPECT_EQ(AudioComponentFindNext(components, varispeed, &anyApple), nullptr);

  const AudioComponentDescription otherMaker{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                             FourCharCode("xmpl"), 0, 0};
  EXPECT_EQ(AudioComponentFindNext(components, nullptr, &otherMaker), nullptr);

  SimulatedAudioComponents withoutVarispeed(world);
  EXPECT_EQ(AudioComponentFindNext(withoutVarispeed, nullptr, &kVarispeedDescription), nullptr);
  EXPECT_NE(AudioComponentFindNext(withoutVarispeed, nullptr, &kHardwareDescription), nullptr);
}

TEST_F(SimulatedAudioComponentsTest, RecordsEveryMainThreadCallWithTheUnitKind) {
  const AudioUnit input = make(kHardwareDescription);
  ASSERT_EQ(configureInputUnit(input, 40, {0, 1}, 48000.0, ignoreInput, nullptr), noErr);
  ASSERT_EQ(initializeAndStart(input), noErr);
  world.advance(0.1);
  AudioOutputUnitStop(input);
  AudioComponentInstanceDispose(components, input);

  using Op = SimulatedAudioOperation;
  using Kind = SimulatedUnitKind;
  const std::vector<SimulatedAudioCall> expected{
      {Op::findNext, Kind::ahalUnbound, 0, 0, 0, noErr},
      {Op::instanceNew, Kind::ahalUnbound, 0, 0, 0, noErr},
      {Op::setProperty, Kind::ahalUnbound, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input,
       1, noErr},
      {Op::setProperty, Kind::input, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0,
       noErr},
      {Op::setProperty, Kind::input, kAudioOutputUnitProperty_CurrentDevice, kAudioUnitScope_Global,
       0, noErr},
      {Op::setProperty, Kind::input, kAudioUnitProperty_MaximumFramesPerSlice,
       kAudioUnitScope_Global, 0, noErr},
      {Op::setProperty, Kind::input, kAudioOutputUnitProperty_ChannelMap, kAudioUnitScope_Output, 1,
       noErr},
      {Op::setProperty, Kind::input, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1,
       noErr},
      {Op::setProperty, Kind::input, kAudioOutputUnitProperty_SetInputCallback,
       kAudioUnitScope_Global, 0, noErr},
      {Op::initialize, Kind::input, 0, 0, 0, noErr},
      {Op::outputStart, Kind::input, 0, 0, 0, noErr},
      {Op::outputStop, Kind::input, 0, 0, 0, noErr},
      {Op::instanceDispose, Kind::input, 0, 0, 0, noErr},
  };
  EXPECT_EQ(components.calls(), expected);
}

TEST_F(SimulatedAudioComponentsTest, FailsTheChosenOccurrenceOfAMatchingCall) {
  // The second CurrentDevice selection fails: the output unit's, not the input unit's.
  components.failCall({.operation = SimulatedAudioOperation::setProperty,
                       .status = kAudioHardwareBadObjectError,
                       .id = kAudioOutputUnitProperty_CurrentDevice,
                       .scope = kAudioUnitScope_Global,
                       .element = 0,
                       .occurrence = 2});
  const AudioUnit input = make(kHardwareDescription);
  EXPECT_EQ(configureInputUnit(input, 40, {0, 1}, 48000.0, ignoreInput, nullptr), noErr);
  const AudioUnit output = make(kHardwareDescription);
  EXPECT_EQ(configureOutputUnit(output, 40, 48000.0, nullptr, nullptr),
            kAudioHardwareBadObjectError);
  EXPECT_EQ(components.calls().back().kind, SimulatedUnitKind::output);
  EXPECT_EQ(components.calls().back().status, kAudioHardwareBadObjectError);
  // The failed call was not carried out.
  AudioObjectID device = 1;
  UInt32 size = sizeof device;
  ASSERT_EQ(AudioUnitGetProperty(output, kAudioOutputUnitProperty_CurrentDevice,
                                 kAudioUnitScope_Global, 0, &device, &size),
            noErr);
  EXPECT_EQ(device, 0u);
  // Later matches pass.
  EXPECT_EQ(configureOutputUnit(output, 40, 48000.0, nullptr, nullptr), noErr);
}

TEST_F(SimulatedAudioComponentsTest, FailsEveryMatchingCallOfAKind) {
  components.failCall({.operation = SimulatedAudioOperation::outputStart,
                       .status = kAudioHardwareNotRunningError,
                       .kind = SimulatedUnitKind::output});
  const AudioUnit input = make(kHardwareDescription);
  const AudioUnit output = make(kHardwareDescription);
  ASSERT_EQ(configureInputUnit(input, 40, {0, 1}, 48000.0, ignoreInput, nullptr), noErr);
  ASSERT_EQ(configureOutputUnit(output, 40, 48000.0, nullptr, nullptr), noErr);
  EXPECT_EQ(initializeAndStart(input), noErr);
  EXPECT_EQ(initializeAndStart(output), kAudioHardwareNotRunningError);
  EXPECT_EQ(AudioOutputUnitStart(output), kAudioHardwareNotRunningError);
  EXPECT_FALSE(world.device(40)->hasOutputUnit());
  components.clearCallFailures();
  EXPECT_EQ(AudioOutputUnitStart(output), noErr);
}

TEST_F(SimulatedAudioComponentsTest, FailsComponentLookupAndCreation) {
  components.failCall({.operation = SimulatedAudioOperation::findNext,
                       .status = noErr,
                       .kind = SimulatedUnitKind::varispeed});
  EXPECT_EQ(AudioComponentFindNext(components, nullptr, &kVarispeedDescription), nullptr);
  EXPECT_EQ(components.calls().back().status, kAudio_UnimplementedError);
  const AudioComponent hardware =
      AudioComponentFindNext(components, nullptr, &kHardwareDescription);
  EXPECT_NE(hardware, nullptr);

  components.failCall(
      {.operation = SimulatedAudioOperation::instanceNew, .status = noErr, .occurrence = 1});
  components.failCall({.operation = SimulatedAudioOperation::instanceNew,
                       .status = kAudio_MemFullError,
                       .occurrence = 2});
  AudioUnit unit = reinterpret_cast<AudioUnit>(&unit);
  EXPECT_EQ(AudioComponentInstanceNew(components, hardware, &unit), noErr);
  EXPECT_EQ(unit, nullptr);
  EXPECT_EQ(AudioComponentInstanceNew(components, hardware, &unit), kAudio_MemFullError);
  EXPECT_EQ(unit, nullptr);
  EXPECT_EQ(components.liveInstanceCount(), 0u);
  EXPECT_EQ(AudioComponentInstanceNew(components, hardware, &unit), noErr);
  EXPECT_NE(unit, nullptr);
}

TEST_F(SimulatedAudioComponentsTest, CountsLiveInstancesByKind) {
  const AudioUnit input = make(kHardwareDescription);
  const AudioUnit varispeed = make(kVarispeedDescription);
  const AudioUnit output = make(kHardwareDescription);
  ASSERT_EQ(configureInputUnit(input, 40, {0, 1}, 48000.0, ignoreInput, nullptr), noErr);
  ASSERT_EQ(configureOutputUnit(output, 40, 48000.0, nullptr, nullptr), noErr);
  EXPECT_EQ(components.liveInstanceCount(), 3u);
  EXPECT_EQ(components.liveInstanceCount(SimulatedUnitKind::input), 1u);
  EXPECT_EQ(components.liveInstanceCount(SimulatedUnitKind::output), 1u);
  EXPECT_EQ(components.liveInstanceCount(SimulatedUnitKind::varispeed), 1u);
  EXPECT_EQ(components.hardwareUnit(varispeed), nullptr);
  EXPECT_NE(components.hardwareUnit(input), nullptr);

  // A dispose that fails leaves the instance alive: it shows up as a leak.
  components.failCall({.operation = SimulatedAudioOperation::instanceDispose,
                       .status = kAudio_ParamError,
                       .kind = SimulatedUnitKind::varispeed,
                       .occurrence = 1});
  EXPECT_EQ(AudioComponentInstanceDispose(components, varispeed), kAudio_ParamError);
  EXPECT_EQ(AudioComponentInstanceDispose(components, input), noErr);
  EXPECT_EQ(AudioComponentInstanceDispose(components, output), noErr);
  EXPECT_EQ(components.liveInstanceCount(), 1u);
  EXPECT_EQ(AudioComponentInstanceDispose(components, varispeed), noErr);
  EXPECT_EQ(components.liveInstanceCount(), 0u);
  EXPECT_EQ(AudioComponentInstanceDispose(components, varispeed), kAudio_ParamError);
}

TEST_F(SimulatedAudioComponentsTest, DisposingAStartedUnitStopsIt) {
  const AudioUnit output = make(kHardwareDescription);
  ASSERT_EQ(configureOutputUnit(output, 40, 48000.0, nullptr, nullptr), noErr);
  ASSERT_EQ(initializeAndStart(output), noErr);
  ASSERT_TRUE(world.device(40)->hasOutputUnit());
  ASSERT_EQ(AudioComponentInstanceDispose(components, output), noErr);
  EXPECT_FALSE(world.device(40)->hasOutputUnit());
  world.advance(0.1);
  EXPECT_EQ(world.device(40)->outputCycles(), 0u);
}

// Renders the input unit and sets the varispeed rate each cycle, as the real-time callbacks do.
struct AudioPathCalls {
  AudioUnit input = nullptr;
  AudioUnit varispeed = nullptr;
  std::vector<OSStatus> renderStatuses;
  std::vector<OSStatus> parameterStatuses;
};

OSStatus renderAndSetRate(void* context, AudioUnitRenderActionFlags* flags,
                          const AudioTimeStamp* timeStamp, UInt32, UInt32 frames,
                          AudioBufferList*) {
  auto& calls = *static_cast<AudioPathCalls*>(context);
  std::vector<float> left(frames);
  std::vector<float> right(frames);
  alignas(AudioBufferList) std::array<std::byte, AudioBufferListByteSize(2)> storage{};
  auto* list = reinterpret_cast<AudioBufferList*>(storage.data());
  list->mNumberBuffers = 2;
  list->mBuffers[0] = {1, frames * 4, left.data()};
  list->mBuffers[1] = {1, frames * 4, right.data()};
  calls.renderStatuses.push_back(AudioUnitRender(calls.input, flags, timeStamp, 1, frames, list));
  calls.parameterStatuses.push_back(AudioUnitSetParameter(
      calls.varispeed, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, 1.0005f, 0));
  return noErr;
}

TEST_F(SimulatedAudioComponentsTest, FailsAChosenAudioPathCallWithoutRecordingTheAudioPath) {
  AudioPathCalls calls;
  calls.input = make(kHardwareDescription);
  calls.varispeed = make(kVarispeedDescription);
  ASSERT_EQ(configureInputUnit(calls.input, 40, {0, 1}, 48000.0, renderAndSetRate, &calls), noErr);
  components.failOnAudioPath({.operation = SimulatedAudioOperation::render,
                              .kind = SimulatedUnitKind::input,
                              .call = 3,
                              .status = kAudioUnitErr_NoConnection});
  ASSERT_EQ(initializeAndStart(calls.input), noErr);
  const std::size_t recordedBefore = components.calls().size();

  world.advance(5.5 * 256 / 48000.0);
  EXPECT_EQ(calls.renderStatuses,
            (std::vector<OSStatus>{noErr, noErr, kAudioUnitErr_NoConnection, noErr, noErr}));
  EXPECT_EQ(calls.parameterStatuses, std::vector<OSStatus>(5, noErr));
  EXPECT_EQ(components.calls().size(), recordedBefore);

  components.failOnAudioPath({.operation = SimulatedAudioOperation::setParameter,
                              .kind = SimulatedUnitKind::varispeed,
                              .call = 7,
                              .status = kAudio_ParamError});
  world.advance(3.0 * 256 / 48000.0);
  EXPECT_EQ(calls.parameterStatuses[6], kAudio_ParamError);
  EXPECT_EQ(calls.renderStatuses[6], noErr);
  components.clearAudioPathFailure();
  AudioUnitParameterValue rate = 0.0f;
  ASSERT_EQ(AudioUnitGetParameter(calls.varispeed, kVarispeedParam_PlaybackRate,
                                  kAudioUnitScope_Global, 0, &rate),
            noErr);
  EXPECT_FLOAT_EQ(rate, 1.0005f);
  EXPECT_EQ(components.calls().back().operation, SimulatedAudioOperation::getParameter);
}

}  // namespace
