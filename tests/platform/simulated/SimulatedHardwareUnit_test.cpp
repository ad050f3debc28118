#include "platform/simulated/SimulatedHardwareUnit.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/simulated/SimulatedAudioComponents.h"
#include "platform/simulated/SimulatedAudioOutputRecorder.h"
#include "platform/simulated/SimulatedAudioWorld.h"
#include "platform/simulated/SimulatedUnitSetup.h"

namespace {

constexpr UInt32 kBlock = 256;

// Each input sample names its channel and frame, so a delivered sample tells where it came from.
float channelFrameCode(UInt32 channel, UInt64 frame) {
  return static_cast<float>(channel * 100000 + frame % 100000);
}

// Renders the input unit's stereo pair during the input callback, as the capture callback does.
struct Capture {
  AudioUnit unit = nullptr;
  UInt32 requestFrames = 0;  // 0: the block the callback was offered
  UInt32 bus = 1;
  UInt32 bufferCount = 2;
  UInt32 bufferBytes = kBlock * 4;
  std::array<float, kBlock> left{};
  std::array<float, kBlock> right{};
  std::vector<OSStatus> statuses;
  std::vector<float> leftStream;
  std::vector<float> rightStream;
  std::vector<Float64> sampleTimes;
};

OSStatus capture(void* context, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp,
                 UInt32 bus, UInt32 frames, AudioBufferList* ioData) {
  auto& state = *static_cast<Capture*>(context);
  EXPECT_EQ(bus, 1u);
  EXPECT_EQ(ioData, nullptr);
  EXPECT_EQ(timeStamp->mFlags & kAudioTimeStampSampleTimeValid, kAudioTimeStampSampleTimeValid);
  state.sampleTimes.push_back(timeStamp->mSampleTime);
  const UInt32 wanted = state.requestFrames != 0 ? state.requestFrames : frames;
  alignas(AudioBufferList) std::array<std::byte, AudioBufferListByteSize(2)> storage{};
  auto* list = reinterpret_cast<AudioBufferList*>(storage.data());
  list->mNumberBuffers = state.bufferCount;
  list->mBuffers[0] = {1, state.bufferBytes, state.left.data()};
  list->mBuffers[1] = {1, state.bufferBytes, state.right.data()};
  const OSStatus status = AudioUnitRender(state.unit, flags, timeStamp, state.bus, wanted, list);
  state.statuses.push_back(status);
  if (status == noErr) {
    EXPECT_EQ(list->mBuffers[0].mDataByteSize, wanted * 4);
    state.leftStream.insert(state.leftStream.end(), state.left.begin(),
                            state.left.begin() + wanted);
    state.rightStream.insert(state.rightStream.end(), state.right.begin(),
                             state.right.begin() + wanted);
  }
  return status;
}

// Fills the output with a ramp that continues from one block to the next.
struct Playback {
  OSStatus result = noErr;
  std::vector<UInt32> bufferCounts;
  std::vector<Float64> sampleTimes;
};

OSStatus play(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp,
              UInt32 bus, UInt32 frames, AudioBufferList* ioData) {
  auto& state = *static_cast<Playback*>(context);
  EXPECT_EQ(bus, 0u);
  state.bufferCounts.push_back(ioData->mNumberBuffers);
  state.sampleTimes.push_back(timeStamp->mSampleTime);
  for (UInt32 index = 0; index < 2; ++index) {
    EXPECT_EQ(ioData->mBuffers[index].mDataByteSize, frames * 4);
    auto* samples = static_cast<float*>(ioData->mBuffers[index].mData);
    for (UInt32 frame = 0; frame < frames; ++frame) {
      samples[frame] = static_cast<float>(timeStamp->mSampleTime + frame) * (index == 0 ? 1 : -1);
    }
  }
  return state.result;
}

class SimulatedHardwareUnitTest : public testing::Test {
 protected:
  void SetUp() override {
    SimulatedAudioDevice& interface =
        world.addDevice({.id = 40, .inputChannels = 8, .outputChannels = 2, .blockFrames = kBlock});
    for (UInt32 channel = 0; channel < 8; ++channel) {
      interface.setInputSignal(channel, [](UInt32 ch, UInt64 first, std::span<float> samples) {
        for (std::size_t index = 0; index < samples.size(); ++index) {
          samples[index] = channelFrameCode(ch, first + index);
        }
      });
    }
    world.addDevice({.id = 50, .outputChannels = 2, .blockFrames = kBlock});
    world.addDevice({.id = 60, .inputChannels = 1, .blockFrames = kBlock});
  }

  AudioUnit newUnit() {
    const AudioComponentDescription description{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                                kAudioUnitManufacturer_Apple, 0, 0};
    AudioUnit unit = nullptr;
    EXPECT_EQ(AudioComponentInstanceNew(
                  components, AudioComponentFindNext(components, nullptr, &description), &unit),
              noErr);
    return unit;
  }

  AudioUnit startCapture(std::array<SInt32, 2> map) {
    state.unit = newUnit();
    EXPECT_EQ(configureInputUnit(state.unit, 40, map, 48000.0, capture, &state), noErr);
    EXPECT_EQ(initializeAndStart(state.unit), noErr);
    return state.unit;
  }

  SimulatedAudioWorld world;
  SimulatedAudioComponents components{world};
  Capture state;
};

TEST_F(SimulatedHardwareUnitTest, DeliversTheMappedChannelsOfAMultichannelInput) {
  startCapture({2, 3});
  world.advance(0.1);

  ASSERT_EQ(state.leftStream.size(), 18u * kBlock);
  for (std::size_t frame = 0; frame < state.leftStream.size(); ++frame) {
    ASSERT_EQ(state.leftStream[frame], channelFrameCode(2, frame)) << frame;
    ASSERT_EQ(state.rightStream[frame], channelFrameCode(3, frame)) << frame;
  }
  EXPECT_EQ(state.sampleTimes[1], kBlock);
}

TEST_F(SimulatedHardwareUnitTest, ChannelMapEntryOfMinusOneIsSilent) {
  startCapture({-1, 7});
  world.advance(0.02);
  ASSERT_FALSE(state.leftStream.empty());
  for (std::size_t frame = 0; frame < state.leftStream.size(); ++frame) {
    ASSERT_EQ(state.leftStream[frame], 0.0f);
    ASSERT_EQ(state.rightStream[frame], channelFrameCode(7, frame));
  }
}

TEST_F(SimulatedHardwareUnitTest, RenderRefusesRequestsTheInputCannotServe) {
  startCapture({0, 1});
  const double period = kBlock / 48000.0;
  // From here on, each advance by one period spans exactly one cycle.
  world.advance(period / 2);
  const auto statusOfOneCycle = [&] {
    state.statuses.clear();
    world.advance(period);
    EXPECT_EQ(state.statuses.size(), 1u);
    return state.statuses.empty() ? noErr : state.statuses.front();
  };
  EXPECT_EQ(statusOfOneCycle(), noErr);
  state.requestFrames = kBlock - 1;
  EXPECT_EQ(statusOfOneCycle(), noErr);
  state.requestFrames = kBlock + 1;
  state.bufferBytes = (kBlock + 1) * 4;
  EXPECT_NE(statusOfOneCycle(), noErr);
  state.requestFrames = 0;
  state.bufferBytes = kBlock * 4 - 4;
  EXPECT_NE(statusOfOneCycle(), noErr);
  state.bufferBytes = kBlock * 4;
  state.bufferCount = 1;
  EXPECT_NE(statusOfOneCycle(), noErr);
  state.bufferCount = 2;
  state.bus = 0;
  EXPECT_NE(statusOfOneCycle(), noErr);
  state.bus = 1;
  EXPECT_EQ(statusOfOneCycle(), noErr);
}

TEST_F(SimulatedHardwareUnitTest, OutputUnitPullsEveryBlockIntoTheSink) {
  Playback playback;
  SimulatedAudioOutputRecorder recorder(48000);
  world.device(50)->setOutputSink(recorder.sink());
  const AudioUnit unit = newUnit();
  ASSERT_EQ(configureOutputUnit(unit, 50, 48000.0, play, &playback), noErr);
  ASSERT_EQ(initializeAndStart(unit), noErr);

  world.advance(0.5);
  EXPECT_EQ(recorder.blocks(), 93u);
  EXPECT_EQ(recorder.discontinuities(), 0u);
  EXPECT_EQ(recorder.failedBlocks(), 0u);
  EXPECT_EQ(recorder.framesPastCapacity(), 0u);
  for (std::size_t frame = 0; frame < recorder.left().size(); ++frame) {
    ASSERT_EQ(recorder.left()[frame], static_cast<float>(frame));
    ASSERT_EQ(recorder.right()[frame], -static_cast<float>(frame));
  }
  for (const UInt32 count : playback.bufferCounts) EXPECT_EQ(count, 2u);

  // A failing render plays silence and says so.
  playback.result = kAudio_ParamError;
  world.advance(kBlock / 48000.0);
  EXPECT_EQ(recorder.failedBlocks(), 1u);
  EXPECT_EQ(recorder.left().back(), 0.0f);
}

TEST_F(SimulatedHardwareUnitTest, NoCallbackAfterStopAndCallbacksAgainAfterRestart) {
  const AudioUnit unit = startCapture({0, 1});
  world.advance(0.05);
  const std::size_t delivered = state.sampleTimes.size();
  ASSERT_GT(delivered, 0u);

  ASSERT_EQ(AudioOutputUnitStop(unit), noErr);
  EXPECT_FALSE(world.device(40)->hasInputUnit());
  world.advance(0.05);
  EXPECT_EQ(state.sampleTimes.size(), delivered);

  ASSERT_EQ(AudioOutputUnitStart(unit), noErr);
  world.advance(0.05);
  EXPECT_GT(state.sampleTimes.size(), delivered);
  // The device clock ran on while the unit was stopped.
  EXPECT_GT(state.sampleTimes[delivered], state.sampleTimes[delivered - 1] + kBlock);
}

TEST_F(SimulatedHardwareUnitTest, ChecksTheDeviceWhenSelectedAndWhenInitialized) {
  const AudioUnit unit = newUnit();
  const UInt32 enable = 1;
  const UInt32 disable = 0;
  const AudioObjectID unknown = 99;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_CurrentDevice,
                                 kAudioUnitScope_Global, 0, &unknown, sizeof unknown),
            kAudioHardwareBadObjectError);
  EXPECT_EQ(AudioUnitInitialize(unit), kAudioUnitErr_NoConnection);

  // An input unit on an output-only device.
  ASSERT_EQ(configureInputUnit(unit, 50, {0, 1}, 48000.0, capture, &state), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), kAudioUnitErr_NoConnection);

  // A channel beyond the device's inputs.
  ASSERT_EQ(configureInputUnit(unit, 60, {0, 1}, 48000.0, capture, &state), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), kAudioUnitErr_InvalidPropertyValue);
  ASSERT_EQ(configureInputUnit(unit, 60, {0, -1}, 44100.0, capture, &state), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), kAudioUnitErr_FormatNotSupported);
  ASSERT_EQ(configureInputUnit(unit, 60, {0, -1}, 48000.0, capture, &state), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);

  // Nothing changes under an initialized unit.
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1,
                                 &disable, sizeof disable),
            kAudioUnitErr_Initialized);
  EXPECT_EQ(AudioUnitUninitialize(unit), noErr);

  // An output unit on an input-only device.
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1,
                                 &disable, sizeof disable),
            noErr);
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0,
                                 &enable, sizeof enable),
            noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), kAudioUnitErr_NoConnection);
}

TEST_F(SimulatedHardwareUnitTest, RefusesMalformedProperties) {
  const AudioUnit unit = newUnit();
  const UInt32 frames = 0;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice,
                                 kAudioUnitScope_Global, 0, &frames, sizeof frames),
            kAudioUnitErr_InvalidPropertyValue);
  const std::array<SInt32, 3> longMap{0, 1, 2};
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_ChannelMap, kAudioUnitScope_Output,
                                 1, longMap.data(), sizeof longMap),
            kAudioUnitErr_InvalidPropertyValue);
  AudioStreamBasicDescription interleaved = stereoFloatFormat(48000.0);
  interleaved.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1,
                                 &interleaved, sizeof interleaved),
            kAudioUnitErr_FormatNotSupported);
  const AudioStreamBasicDescription format = stereoFloatFormat(48000.0);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1,
                                 &format, sizeof format),
            kAudioUnitErr_InvalidElement);
  const UInt32 enable = 1;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Global, 0,
                                 &enable, sizeof enable),
            kAudioUnitErr_InvalidScope);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_RenderQuality, kAudioUnitScope_Global, 0,
                                 &enable, sizeof enable),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(
      AudioUnitSetParameter(unit, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, 1.0f, 0),
      kAudioUnitErr_InvalidParameter);
  AudioUnitParameterValue value = 0.0f;
  EXPECT_EQ(
      AudioUnitGetParameter(unit, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, &value),
      kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioOutputUnitStart(unit), kAudioUnitErr_Uninitialized);
}

TEST_F(SimulatedHardwareUnitTest, ReadsBackWhatWasSet) {
  const AudioUnit unit = newUnit();
  ASSERT_EQ(configureInputUnit(unit, 40, {5, 6}, 48000.0, capture, &state), noErr);
  UInt32 frames = 0;
  UInt32 size = sizeof frames;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice,
                                 kAudioUnitScope_Global, 0, &frames, &size),
            noErr);
  EXPECT_EQ(frames, 8192u);
  std::array<SInt32, 2> map{};
  size = sizeof map;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioOutputUnitProperty_ChannelMap, kAudioUnitScope_Output,
                                 1, map.data(), &size),
            noErr);
  EXPECT_EQ(map, (std::array<SInt32, 2>{5, 6}));
  AudioObjectID device = 0;
  size = sizeof device;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioOutputUnitProperty_CurrentDevice,
                                 kAudioUnitScope_Global, 0, &device, &size),
            noErr);
  EXPECT_EQ(device, 40u);
  AudioStreamBasicDescription format{};
  size = sizeof format;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0,
                                 &format, &size),
            noErr);
  EXPECT_EQ(format.mSampleRate, 48000.0);
  EXPECT_EQ(format.mChannelsPerFrame, 2u);
  size = 2;
  EXPECT_NE(AudioUnitGetProperty(unit, kAudioOutputUnitProperty_CurrentDevice,
                                 kAudioUnitScope_Global, 0, &device, &size),
            noErr);
}

TEST_F(SimulatedHardwareUnitTest, StartChecksTheDeviceAndItsBlockSize) {
  const AudioUnit first = startCapture({0, 1});
  const AudioUnit second = newUnit();
  Capture other;
  ASSERT_EQ(configureInputUnit(second, 40, {0, 1}, 48000.0, capture, &other), noErr);
  ASSERT_EQ(AudioUnitInitialize(second), noErr);
  EXPECT_EQ(AudioOutputUnitStart(second), SimulatedAudioDevice::kAudioDevicePermissionsError);
  ASSERT_EQ(AudioOutputUnitStop(first), noErr);

  ASSERT_TRUE(world.device(40)->setBlockFrames(16384));
  EXPECT_EQ(AudioOutputUnitStart(second), kAudioUnitErr_TooManyFramesToProcess);
  ASSERT_TRUE(world.device(40)->setBlockFrames(kBlock));
  world.device(40)->setAlive(false);
  EXPECT_EQ(AudioOutputUnitStart(second), kAudioHardwareNotRunningError);
  world.device(40)->setAlive(true);
  EXPECT_EQ(AudioOutputUnitStart(second), noErr);
  world.removeDevice(40);
  EXPECT_EQ(AudioOutputUnitStop(second), noErr);
  EXPECT_EQ(AudioOutputUnitStart(second), kAudioHardwareBadObjectError);
}

}  // namespace
