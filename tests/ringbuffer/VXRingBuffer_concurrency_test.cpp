#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ringbuffer/VXRingBuffer.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr std::uint32_t kCapacity = 4096;
constexpr std::uint32_t kTarget = 1024;
// No block size divides the capacity, so both sides wrap at ever-changing offsets.
constexpr std::uint32_t kConsumerBlock = 384;
// Frame numbers travel as floats, which are exact integers up to 2^24.
constexpr std::uint32_t kLastExactFrame = 1u << 24;
constexpr auto kRunLength = std::chrono::milliseconds(960);

// 40 ms phases of {balanced, consumer stalls, producer stalls}, so the ring sees overruns and
// underruns: a pause in microseconds, below zero for a random one up to its magnitude.
void pauseFor(Clock::time_point start, std::minstd_rand& random, const int (&schedule)[3]) {
  int pause = schedule[((Clock::now() - start) / std::chrono::milliseconds(40)) % 3];
  if (pause < 0) pause = std::uniform_int_distribution<int>(0, -pause)(random);
  pause == 0 ? std::this_thread::yield() : std::this_thread::sleep_for(microseconds(pause));
}

struct Session {
  VXRingBuffer* ring = VXRingBufferCreate(kCapacity, kTarget);
  Clock::time_point start = Clock::now();
  std::atomic<bool> done{false};  // release by the producer, acquire by the others
  std::string consumerFault, controlFault;
  std::uint64_t refusedBlocks = 0, acceptedFrames = 0;  // producer
  std::uint64_t deliveredFrames = 0, forwardJumps = 0;  // consumer
  std::uint64_t silentAfterAudio = 0;  // delivering -> silent: an underrun or a resynchronisation
  std::uint64_t underrunsSeen = 0;     // of those, the ones the underrun counter moved for
  std::uint64_t polls = 0;             // main thread

  ~Session() { VXRingBufferDestroy(ring); }
  static void fault(std::string& first, bool bad, const char* what) {
    if (bad && first.empty()) first = what;
  }

  // Frame f carries f on the left and -(f + 1) on the right: a frame mixed from two writes, or
  // from two channels, shows. A refused block is retried with the same numbers, so the ring's
  // stream stays gapless and every jump the consumer sees comes from the consumer side.
  void produce(std::uint32_t blockFrames) {
    std::minstd_rand random(1);
    std::vector<float> left(blockFrames), right(blockFrames);
    for (std::uint32_t next = 0;
         Clock::now() - start < kRunLength && next + blockFrames < kLastExactFrame;) {
      for (std::uint32_t i = 0; i < blockFrames; ++i) {
        left[i] = static_cast<float>(next + i);
        right[i] = -left[i] - 1.0f;
      }
      if (VXRingBufferWrite(ring, left.data(), right.data(), blockFrames) == 0) {
        ++refusedBlocks;
      } else {
        next += blockFrames;
        acceptedFrames += blockFrames;
      }
      pauseFor(start, random, {-80, 20, 1500});
    }
    done.store(true, std::memory_order_release);
  }

  void consume() {
    std::minstd_rand random(2);
    std::vector<float> left(kConsumerBlock), right(kConsumerBlock);
    bool delivering = false;
    std::uint64_t expectedFrame = 0;
    std::string& f = consumerFault;
    while (!done.load(std::memory_order_acquire)) {
      const std::uint64_t underrunsBefore = VXRingBufferUnderruns(ring);
      const std::uint64_t bufferedBefore = VXRingBufferBufferedFrames(ring);
      const std::uint32_t frames =
          VXRingBufferRead(ring, left.data(), right.data(), kConsumerBlock);
      const std::uint64_t counted = VXRingBufferUnderruns(ring) - underrunsBefore;
      fault(f, frames != 0 && frames != kConsumerBlock, "a partial read");
      fault(f, counted > 1, "one read counted several underruns");
      if (frames == 0) {
        fault(f, left != std::vector<float>(kConsumerBlock, 0.0f), "a silent read had samples");
        if (delivering) ++silentAfterAudio;
        if (counted == 1) {
          ++underrunsSeen;
          fault(f, !delivering, "underrun counted while priming");
          // Frames only arrive while the read runs, so a block that was buffered stays buffered.
          fault(f, bufferedBefore >= kConsumerBlock, "underrun counted with a block buffered");
        }
        delivering = false;
      } else if (frames == kConsumerBlock) {
        fault(f, counted != 0, "a delivering read counted an underrun");
        const auto first = static_cast<std::uint64_t>(left[0]);
        for (std::uint32_t i = 0; i < kConsumerBlock; ++i) {
          fault(f, left[i] != static_cast<float>(first + i), "frames out of order in a block");
          fault(f, right[i] != -left[i] - 1.0f, "left and right from different frames");
        }
        fault(f, first < expectedFrame, "the stream went backwards");
        fault(f, delivering && first != expectedFrame, "a gap while delivering");
        if (first > expectedFrame) ++forwardJumps;
        expectedFrame = first + kConsumerBlock;
        deliveredFrames += kConsumerBlock;
        delivering = true;
      }
      // A consumer stall: now and then 6 ms, long enough for the ring to overflow.
      pauseFor(start, random, {-120, random() % 8 == 0 ? 6000 : -120, -60});
    }
  }

  // The fill may exceed the capacity (the consumer moves between the two loads), never go negative.
  void control() {
    for (float highestPeak = 0.0f; !done.load(std::memory_order_acquire); ++polls) {
      fault(controlFault, VXRingBufferBufferedFrames(ring) > kLastExactFrame, "negative fill");
      const float peak = VXRingBufferTakeMeterSnapshot(ring).leftPeak;
      fault(controlFault, peak != 0.0f && peak < highestPeak, "a peak below an earlier one");
      highestPeak = std::max(highestPeak, peak);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
};

// Small producer blocks overflow a full ring; blocks larger than the capacity less the target
// overflow it below the target fill, where resynchronising must not move the reader back.
class VXRingBufferConcurrency : public testing::TestWithParam<std::uint32_t> {};

TEST_P(VXRingBufferConcurrency, DeliversAnOrderedUntornStreamThroughOverrunsAndUnderruns) {
  Session run;
  ASSERT_NE(run.ring, nullptr);
  std::thread producer([&] { run.produce(GetParam()); });
  std::thread consumer([&] { run.consume(); });
  run.control();
  producer.join();
  consumer.join();

  EXPECT_EQ(run.consumerFault, "");
  EXPECT_EQ(run.controlFault, "");
  EXPECT_GT(run.polls, 0u);
  EXPECT_EQ(VXRingBufferOverruns(run.ring), run.refusedBlocks);
  EXPECT_EQ(VXRingBufferUnderruns(run.ring), run.underrunsSeen);
  // Every other fall silent is a resynchronisation, which needs an overrun; several overruns
  // before one read ask for a single resynchronisation.
  const std::uint64_t resynchronisations = run.silentAfterAudio - run.underrunsSeen;
  EXPECT_LE(resynchronisations, run.refusedBlocks);
  EXPECT_GT(run.refusedBlocks, 0u);
  EXPECT_GT(run.underrunsSeen, 0u);
  EXPECT_GT(resynchronisations, 0u);
  EXPECT_GT(run.forwardJumps, 0u);
  EXPECT_GT(run.deliveredFrames, 10u * kCapacity);
  EXPECT_LE(run.deliveredFrames, run.acceptedFrames);
}

INSTANTIATE_TEST_SUITE_P(ProducerBlocks, VXRingBufferConcurrency, testing::Values(240u, 3100u));

}  // namespace
