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

// Both threads follow one schedule of 40 ms phases so that the ring sees every regime: balanced,
// the consumer stalling now and then long enough to overflow it (overruns, resynchronisation),
// the producer stalling (underruns, re-priming). Each entry is {balanced, consumer stalls,
// producer stalls}: a pause in microseconds, below zero for a random one up to its magnitude.
void pauseFor(Clock::time_point start, std::minstd_rand& random, const int (&schedule)[3]) {
  int pause = schedule[((Clock::now() - start) / std::chrono::milliseconds(40)) % 3];
  if (pause < 0) pause = std::uniform_int_distribution<int>(0, -pause)(random);
  if (pause == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(microseconds(pause));
  }
}

struct Log {
  std::string firstFault;
  std::uint64_t refusedBlocks = 0, acceptedFrames = 0;  // producer
  std::uint64_t deliveredFrames = 0, forwardJumps = 0;  // consumer
  std::uint64_t silentAfterAudio = 0;  // delivering -> silent: an underrun or a resynchronisation
  std::uint64_t underrunsSeen = 0;     // of those, the ones the underrun counter moved for
  std::uint64_t polls = 0;             // main thread

  void fault(bool happened, const char* what) {
    if (happened && firstFault.empty()) firstFault = what;
  }
};

// Frame f carries f on the left and -(f + 1) on the right: a frame mixed from two writes, or from
// two channels, shows. A refused block is retried with the same numbers, so the ring's stream
// stays gapless and every jump the consumer sees comes from the consumer side.
Log produce(VXRingBuffer* ring, std::uint32_t blockFrames, Clock::time_point start,
            std::atomic<bool>& done) {
  Log log;
  std::minstd_rand random(1);
  std::vector<float> left(blockFrames), right(blockFrames);
  std::uint32_t next = 0;
  while (Clock::now() - start < kRunLength && next + blockFrames < kLastExactFrame) {
    for (std::uint32_t i = 0; i < blockFrames; ++i) {
      left[i] = static_cast<float>(next + i);
      right[i] = -left[i] - 1.0f;
    }
    if (VXRingBufferWrite(ring, left.data(), right.data(), blockFrames) == 0) {
      ++log.refusedBlocks;
    } else {
      next += blockFrames;
      log.acceptedFrames += blockFrames;
    }
    pauseFor(start, random, {-80, 20, 1500});
  }
  done.store(true, std::memory_order_release);
  return log;
}

Log consume(VXRingBuffer* ring, Clock::time_point start, const std::atomic<bool>& done) {
  Log log;
  std::minstd_rand random(2);
  std::vector<float> left(kConsumerBlock), right(kConsumerBlock);
  bool delivering = false;
  std::uint64_t expectedFrame = 0;
  while (!done.load(std::memory_order_acquire)) {
    const std::uint64_t underrunsBefore = VXRingBufferUnderruns(ring);
    const std::uint64_t bufferedBefore = VXRingBufferBufferedFrames(ring);
    const std::uint32_t frames = VXRingBufferRead(ring, left.data(), right.data(), kConsumerBlock);
    const std::uint64_t counted = VXRingBufferUnderruns(ring) - underrunsBefore;
    log.fault(frames != 0 && frames != kConsumerBlock, "a partial read");
    log.fault(counted > 1, "one read counted several underruns");
    if (frames == 0) {
      for (std::uint32_t i = 0; i < kConsumerBlock; ++i) {
        log.fault(left[i] != 0.0f || right[i] != 0.0f, "a silent read carried samples");
      }
      if (delivering) ++log.silentAfterAudio;
      if (counted == 1) {
        ++log.underrunsSeen;
        log.fault(!delivering, "underrun counted while priming");
        // Frames only arrive while the read runs, so a block that was buffered stays buffered.
        log.fault(bufferedBefore >= kConsumerBlock, "underrun counted with a block buffered");
      }
      delivering = false;
    } else if (frames == kConsumerBlock) {
      log.fault(counted != 0, "a delivering read counted an underrun");
      const auto first = static_cast<std::uint64_t>(left[0]);
      for (std::uint32_t i = 0; i < kConsumerBlock; ++i) {
        log.fault(left[i] != static_cast<float>(first + i), "frames out of order in a block");
        log.fault(right[i] != -left[i] - 1.0f, "left and right from different frames");
      }
      log.fault(first < expectedFrame, "the stream went backwards");
      log.fault(delivering && first != expectedFrame, "a gap while delivering");
      if (first > expectedFrame) ++log.forwardJumps;
      expectedFrame = first + kConsumerBlock;
      log.deliveredFrames += kConsumerBlock;
      delivering = true;
    }
    // A consumer stall: now and then 6 ms, long enough for the ring to overflow.
    pauseFor(start, random, {-120, random() % 8 == 0 ? 6000 : -120, -60});
  }
  return log;
}

// The main thread's view: a fill level that is never negative (the consumer may advance between
// the two position loads, so it can exceed the capacity), and peaks that follow the rising frame
// numbers.
Log control(VXRingBuffer* ring, const std::atomic<bool>& done) {
  Log log;
  float highestPeak = 0.0f;
  for (; !done.load(std::memory_order_acquire); ++log.polls) {
    log.fault(VXRingBufferBufferedFrames(ring) > kLastExactFrame, "negative fill");
    const float peak = VXRingBufferTakeMeterSnapshot(ring).leftPeak;
    log.fault(peak != 0.0f && peak < highestPeak, "a peak below an earlier one");
    highestPeak = std::max(highestPeak, peak);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return log;
}

// Small producer blocks overflow a full ring; blocks larger than the capacity less the target
// overflow it below the target fill, where resynchronising must not move the reader back.
class VXRingBufferConcurrency : public testing::TestWithParam<std::uint32_t> {};

TEST_P(VXRingBufferConcurrency, DeliversAnOrderedUntornStreamThroughOverrunsAndUnderruns) {
  VXRingBuffer* ring = VXRingBufferCreate(kCapacity, kTarget);
  ASSERT_NE(ring, nullptr);
  std::atomic<bool> done{false};
  const Clock::time_point start = Clock::now();
  Log produced, consumed, controlled;
  std::thread producer([&] { produced = produce(ring, GetParam(), start, done); });
  std::thread consumer([&] { consumed = consume(ring, start, done); });
  std::thread controller([&] { controlled = control(ring, done); });
  producer.join();
  consumer.join();
  controller.join();

  EXPECT_EQ(consumed.firstFault, "");
  EXPECT_EQ(controlled.firstFault, "");
  EXPECT_GT(controlled.polls, 0u);
  EXPECT_EQ(VXRingBufferOverruns(ring), produced.refusedBlocks);
  EXPECT_EQ(VXRingBufferUnderruns(ring), consumed.underrunsSeen);
  // Every other fall silent is a resynchronisation, which needs an overrun; several overruns
  // before one read ask for a single resynchronisation.
  const std::uint64_t resynchronisations = consumed.silentAfterAudio - consumed.underrunsSeen;
  EXPECT_LE(resynchronisations, produced.refusedBlocks);
  // The schedule has to have driven the ring through every regime, many times round.
  EXPECT_GT(produced.refusedBlocks, 0u);
  EXPECT_GT(consumed.underrunsSeen, 0u);
  EXPECT_GT(resynchronisations, 0u);
  EXPECT_GT(consumed.forwardJumps, 0u);
  EXPECT_GT(consumed.deliveredFrames, 10u * kCapacity);
  EXPECT_LE(consumed.deliveredFrames, produced.acceptedFrames);
  VXRingBufferDestroy(ring);
}

INSTANTIATE_TEST_SUITE_P(ProducerBlocks, VXRingBufferConcurrency, testing::Values(240u, 3100u));

}  // namespace
