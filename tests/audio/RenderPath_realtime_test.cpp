// The whole render path on real device threads — capture callback, ring buffer, the converter
// pulled by the playback callback, envelope and drift steering — must never touch the heap.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/MonitoringEngine.h"
#include "platform/simulated/SimulatedAudioSignals.h"
#include "platform/simulated/SimulatedPlatform.h"
#include "support/AllocationCounter.h"

namespace {

// Allocation counts of one device thread at each of its cycles while measuring. Relaxed: written
// by that thread only and read after it stopped; a late start only shortens the window.
struct ThreadAllocations {
  std::atomic<bool> measuring{false};
  std::atomic<std::uint64_t> first{0}, last{0}, cycles{0};

  void sample() {
    if (!measuring.load(std::memory_order_relaxed)) return;
    const std::uint64_t now = allocationsOnThisThread();
    if (cycles.fetch_add(1, std::memory_order_relaxed) == 0)
      first.store(now, std::memory_order_relaxed);
    last.store(now, std::memory_order_relaxed);
  }
};

TEST(RenderPathRealtime, CallbacksAllocateNothingOnTheDeviceThreads) {
  SimulatedPlatform platform;
  const AudioObjectID input = platform.plug(
      {.uid = "in", .name = "In", .inputChannels = 4, .sampleRate = 48000, .bufferFrames = 256});
  const AudioObjectID output = platform.plug(
      {.uid = "out", .name = "Out", .outputChannels = 2, .sampleRate = 44100, .bufferFrames = 256});
  ThreadAllocations capture, playback;
  const SimulatedInputSignal sine = makeSineSignal(997, 0.5f, 48000);
  for (UInt32 channel = 0; channel < 4; ++channel) {
    platform.world().device(input)->setInputSignal(
        channel, [&, sine](UInt32 c, UInt64 frame, std::span<float> samples) {
          if (c == 0) capture.sample();
          sine(c, frame, samples);
        });
  }
  std::atomic<std::uint64_t> audibleBlocks{0};  // relaxed: a count read after the threads stopped
  platform.world().device(output)->setOutputSink([&](const SimulatedOutputBlock& block) {
    playback.sample();
    if (!block.left.empty() && block.left.back() != 0.0f) {
      audibleBlocks.fetch_add(1, std::memory_order_relaxed);
    }
  });

  MonitoringEngine engine(platform.components(), platform.sleep());
  engine.start({input, AudioChannelPair{2, 3, "3", "4"}, 48000, 256, output, 44100, 256}, false);
  platform.world().startRealTime();
  // Let the ring prime and the converter warm up before counting.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  capture.measuring = playback.measuring = true;
  for (int poll = 0; poll < 30; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(33));
    engine.setMuted(poll % 10 == 5);  // the envelope ramps both ways while counting
    ASSERT_TRUE(engine.realtimeSnapshot(std::chrono::steady_clock::now()));
  }
  capture.measuring = playback.measuring = false;
  platform.world().stopRealTime();
  engine.stop();  // its fade-out now runs on virtual time, on this thread: not counted

  for (const ThreadAllocations* thread : {&capture, &playback}) {
    EXPECT_GT(thread->cycles.load(), 50u);
    EXPECT_EQ(thread->last.load() - thread->first.load(), 0u);
  }
  EXPECT_GT(audibleBlocks.load(), 20u);
}

}  // namespace
