#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/simulated/SimulatedAudioComponents.h"
#include "platform/simulated/SimulatedAudioWorld.h"
#include "platform/simulated/SimulatedHardwareUnit.h"
#include "platform/simulated/SimulatedUnitSetup.h"

namespace {

using namespace std::chrono_literals;

constexpr UInt32 kBlock = 64;  // 1.3 ms at 48 kHz: many cycles in a short test

// Written by the device thread in its callbacks; plain fields, so that a callback racing with the
// main thread after a stop shows up under ThreadSanitizer.
struct CallbackState {
  Float64 nextSampleTime = 0.0;
  UInt64 gaps = 0;
  std::atomic<UInt64> calls{0};  // relaxed: a count the main thread polls
};

OSStatus countCycle(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp,
                    UInt32, UInt32 frames, AudioBufferList* ioData) {
  auto& state = *static_cast<CallbackState*>(context);
  if (state.calls.load(std::memory_order_relaxed) != 0 &&
      timeStamp->mSampleTime != state.nextSampleTime) {
    ++state.gaps;
  }
  state.nextSampleTime = timeStamp->mSampleTime + frames;
  if (ioData != nullptr) {
    for (UInt32 index = 0; index < ioData->mNumberBuffers; ++index) {
      std::fill_n(static_cast<float*>(ioData->mBuffers[index].mData), frames, 0.25f);
    }
  }
  state.calls.fetch_add(1, std::memory_order_relaxed);
  return noErr;
}

bool waitForCalls(const CallbackState& state, UInt64 calls) {
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  while (state.calls.load(std::memory_order_relaxed) < calls) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class SimulatedAudioRealTimeTest : public testing::Test {
 protected:
  void SetUp() override {
    world.addDevice({.id = 1, .inputChannels = 2, .blockFrames = kBlock});
    world.addDevice({.id = 2, .outputChannels = 2, .clockSkewPPM = 300.0, .blockFrames = kBlock});
    const AudioComponentDescription description{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                                kAudioUnitManufacturer_Apple, 0, 0};
    const AudioComponent component = AudioComponentFindNext(components, nullptr, &description);
    ASSERT_EQ(AudioComponentInstanceNew(components, component, &input), noErr);
    ASSERT_EQ(AudioComponentInstanceNew(components, component, &output), noErr);
    ASSERT_EQ(configureInputUnit(input, 1, {0, 1}, 48000.0, countCycle, &inputState), noErr);
    ASSERT_EQ(configureOutputUnit(output, 2, 48000.0, countCycle, &outputState), noErr);
    ASSERT_EQ(initializeAndStart(input), noErr);
    ASSERT_EQ(initializeAndStart(output), noErr);
  }

  SimulatedAudioWorld world;
  SimulatedAudioComponents components{world};
  AudioUnit input = nullptr;
  AudioUnit output = nullptr;
  CallbackState inputState;
  CallbackState outputState;
};

TEST_F(SimulatedAudioRealTimeTest, NoCallbackOnceStopHasReturned) {
  world.startRealTime();
  ASSERT_TRUE(waitForCalls(inputState, 20));
  ASSERT_TRUE(waitForCalls(outputState, 20));

  ASSERT_EQ(AudioOutputUnitStop(input), noErr);
  ASSERT_EQ(AudioOutputUnitStop(output), noErr);
  const UInt64 inputCalls = inputState.calls.load(std::memory_order_relaxed);
  const UInt64 outputCalls = outputState.calls.load(std::memory_order_relaxed);
  // The callbacks' own fields now belong to this thread.
  inputState.nextSampleTime = -1.0;
  outputState.nextSampleTime = -1.0;
  std::this_thread::sleep_for(20ms);

  EXPECT_EQ(inputState.calls.load(std::memory_order_relaxed), inputCalls);
  EXPECT_EQ(outputState.calls.load(std::memory_order_relaxed), outputCalls);
  EXPECT_EQ(inputState.nextSampleTime, -1.0);
  EXPECT_EQ(inputState.gaps, 0u);
  EXPECT_EQ(outputState.gaps, 0u);
  EXPECT_EQ(AudioComponentInstanceDispose(components, input), noErr);
  EXPECT_EQ(AudioComponentInstanceDispose(components, output), noErr);
  world.stopRealTime();
}

TEST_F(SimulatedAudioRealTimeTest, ADeviceThatDiesOrLeavesStopsCallingAtOnce) {
  world.startRealTime();
  ASSERT_TRUE(waitForCalls(inputState, 10));
  ASSERT_TRUE(waitForCalls(outputState, 10));

  world.device(1)->setAlive(false);
  const UInt64 inputCalls = inputState.calls.load(std::memory_order_relaxed);
  inputState.nextSampleTime = -1.0;
  ASSERT_TRUE(world.removeDevice(2));
  const UInt64 outputCalls = outputState.calls.load(std::memory_order_relaxed);
  outputState.nextSampleTime = -1.0;
  std::this_thread::sleep_for(20ms);

  EXPECT_EQ(inputState.calls.load(std::memory_order_relaxed), inputCalls);
  EXPECT_EQ(outputState.calls.load(std::memory_order_relaxed), outputCalls);
  EXPECT_TRUE(components.hardwareUnit(output)->lostDevice());
  EXPECT_FALSE(components.hardwareUnit(input)->lostDevice());

  world.device(1)->setAlive(true);
  EXPECT_TRUE(waitForCalls(inputState, inputCalls + 5));
  world.stopRealTime();
}

}  // namespace
