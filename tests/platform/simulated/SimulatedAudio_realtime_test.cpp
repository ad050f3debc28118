#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/simulated/SimulatedAudioComponents.h"
#include "platform/simulated/SimulatedAudioOutputRecorder.h"
#include "platform/simulated/SimulatedAudioSignals.h"
#include "platform/simulated/SimulatedAudioVarispeed.h"
#include "platform/simulated/SimulatedAudioWorld.h"
#include "platform/simulated/SimulatedUnitSetup.h"
#include "support/AllocationCounter.h"

namespace {

using namespace std::chrono_literals;

constexpr UInt32 kBlock = 128;

// Both callbacks go through the recorded unit handles, as the engine's callbacks do: the input
// unit's render and the varispeed's rate setting on every cycle.
struct Route {
  AudioUnit input = nullptr;
  AudioUnit varispeed = nullptr;
  std::array<float, kBlock> left{};
  std::array<float, kBlock> right{};
  OSStatus lastStatus = noErr;
  // The cycle thread's allocation count at its first and latest cycle; relaxed, read after the
  // clock has stopped.
  std::atomic<std::uint64_t> firstAllocations{0};
  std::atomic<std::uint64_t> latestAllocations{0};
  std::atomic<std::uint64_t> cycles{0};
};

OSStatus capture(void* context, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp,
                 UInt32, UInt32 frames, AudioBufferList*) {
  auto& route = *static_cast<Route*>(context);
  alignas(AudioBufferList) std::array<std::byte, AudioBufferListByteSize(2)> storage{};
  auto* list = reinterpret_cast<AudioBufferList*>(storage.data());
  list->mNumberBuffers = 2;
  list->mBuffers[0] = {1, frames * 4, route.left.data()};
  list->mBuffers[1] = {1, frames * 4, route.right.data()};
  route.lastStatus = AudioUnitRender(route.input, flags, timeStamp, 1, frames, list);
  return route.lastStatus;
}

OSStatus play(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
              UInt32 frames, AudioBufferList* ioData) {
  auto& route = *static_cast<Route*>(context);
  std::copy_n(route.left.begin(), frames, static_cast<float*>(ioData->mBuffers[0].mData));
  std::copy_n(route.right.begin(), frames, static_cast<float*>(ioData->mBuffers[1].mData));
  AudioUnitSetParameter(route.varispeed, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0,
                        1.0f, 0);
  const std::uint64_t allocations = allocationsOnThisThread();
  if (route.cycles.fetch_add(1, std::memory_order_relaxed) == 0) {
    route.firstAllocations.store(allocations, std::memory_order_relaxed);
  }
  route.latestAllocations.store(allocations, std::memory_order_relaxed);
  return noErr;
}

class SimulatedAudioAllocationTest : public testing::Test {
 protected:
  void SetUp() override {
    SimulatedAudioDevice& interface =
        world.addDevice({.id = 1, .inputChannels = 8, .outputChannels = 8, .blockFrames = kBlock});
    for (UInt32 channel = 0; channel < 8; ++channel) {
      interface.setInputSignal(channel, makeSineSignal(100.0 * (channel + 1), 0.5f, 48000.0));
    }
    interface.setOutputSink(recorder.sink());
    const AudioComponentDescription hardware{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                             kAudioUnitManufacturer_Apple, 0, 0};
    const AudioComponentDescription varispeed{kAudioUnitType_FormatConverter,
                                              kAudioUnitSubType_Varispeed,
                                              kAudioUnitManufacturer_Apple, 0, 0};
    ASSERT_EQ(AudioComponentInstanceNew(
                  components, AudioComponentFindNext(components, nullptr, &hardware), &route.input),
              noErr);
    ASSERT_EQ(
        AudioComponentInstanceNew(
            components, AudioComponentFindNext(components, nullptr, &varispeed), &route.varispeed),
        noErr);
    ASSERT_EQ(AudioComponentInstanceNew(
                  components, AudioComponentFindNext(components, nullptr, &hardware), &output),
              noErr);
    ASSERT_EQ(configureInputUnit(route.input, 1, {2, 3}, 48000.0, capture, &route), noErr);
    ASSERT_EQ(configureOutputUnit(output, 1, 48000.0, play, &route), noErr);
    ASSERT_EQ(initializeAndStart(route.input), noErr);
    ASSERT_EQ(initializeAndStart(output), noErr);
  }

  SimulatedAudioWorld world;
  SimulatedAudioComponents components{world, makeSimulatedVarispeedFactory()};
  SimulatedAudioOutputRecorder recorder{48000};
  Route route;
  AudioUnit output = nullptr;
};

TEST_F(SimulatedAudioAllocationTest, VirtualCyclesAllocateNothing) {
  world.advance(0.01);
  const std::uint64_t before = allocationsOnThisThread();
  world.advance(2.0);
  EXPECT_EQ(allocationsOnThisThread(), before);
  EXPECT_EQ(route.lastStatus, noErr);
  EXPECT_GT(route.cycles.load(), 700u);
  EXPECT_EQ(recorder.discontinuities(), 0u);
}

TEST_F(SimulatedAudioAllocationTest, ClockThreadCyclesAllocateNothing) {
  world.startRealTime();
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  while (route.cycles.load(std::memory_order_relaxed) < 50 &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(1ms);
  }
  world.stopRealTime();
  ASSERT_GE(route.cycles.load(), 50u);
  EXPECT_EQ(route.latestAllocations.load(), route.firstAllocations.load());
  EXPECT_EQ(route.lastStatus, noErr);
}

}  // namespace
