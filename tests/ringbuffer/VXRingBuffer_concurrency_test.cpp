#include <gtest/gtest.h>

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
constexpr auto kPhaseLength = std::chrono::milliseconds(40);
constexpr auto kRunLength = std::chrono::milliseconds(960);

// Both threads follow the same schedule so that the ring sees every regime: one side falling
// behind fills it (overruns, resynchronisation), the other drains it (underruns, re-priming).
enum class Phase { balanced, consumerStalls, producerStalls };

Phase phaseAt(Clock::time_point start) {
  return static_cast<Phase>(((Clock::now() - start) / kPhaseLength) % 3);
}

void pause(microseconds duration) {
  if (duration.count() == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(duration);
  }
}

microseconds upTo(std::minstd_rand& random, int maximum) {
  return microseconds(std::uniform_int_distribution<int>(0, maximum)(random));
}

struct ProducerLog {
  std::uint64_t refusedBlocks = 0;
  std::uint64_t acceptedFrames = 0;
};

// Frame f carries f on the left and -(f + 1) on the right: a frame mixed from two writes, or
// from two channels, shows.
ProducerLog produce(VXRingBuffer* ring, std::uint32_t blockFrames, Clock::time_point start,
                    std::atomic<bool>& done) {
  ProducerLog log;
  std::minstd_rand random(1);
  std::vector<float> left(blockFrames);
  std::vector<float> right(blockFrames);
  std::uint32_t next = 0;
  while (Clock::now() - start < kRunLength && next + blockFrames < kLastExactFrame) {
    for (std::uint32_t i = 0; i < blockFrames; ++i) {
      left[i] = static_cast<float>(next + i);
      right[i] = -static_cast<float>(next + i) - 1.0f;
    }
    // A refused block is retried with the same numbers, so the ring's stream stays gapless and
    // every jump the consumer sees comes from the consumer side.
    if (VXRingBufferWrite(ring, left.data(), right.data(), blockFrames) == 0) {
      ++log.refusedBlocks;
    } else {
      next += blockFrames;
      log.acceptedFrames += blockFrames;
    }
    switch (phaseAt(start)) {
      case Phase::balanced:
        pause(upTo(random, 80));
        break;
      case Phase::consumerStalls:
        pause(microseconds(20));
        break;
      case Phase::producerStalls:
        pause(microseconds(1500));
        break;
    }
  }
  done.store(true, std::memory_order_release);
  return log;
}

struct ConsumerLog {
  std::string firstFault;
  std::uint64_t deliveredFrames = 0;
  std::uint64_t silentAfterAudio = 0;  // delivering -> silent: an underrun or a resynchronisation
  std::uint64_t underrunsSeen = 0;     // of those, the ones the underrun counter moved for
  std::uint64_t forwardJumps = 0;

  void fault(const std::string& what) {
    if (firstFault.empty()) firstFault = what;
  }
};

ConsumerLog consume(VXRingBuffer* ring, Clock::time_point start, const std::atomic<bool>& done) {
  ConsumerLog log;
  std::minstd_rand random(2);
  std::vector<float> left(kConsumerBlock);
  std::vector<float> right(kConsumerBlock);
  bool delivering = false;
  std::uint64_t expectedFrame = 0;
  while (!done.load(std::memory_order_acquire)) {
    const std::uint64_t underrunsBefore = VXRingBufferUnderruns(ring);
    const std::uint64_t bufferedBefore = VXRingBufferBufferedFrames(ring);
    const std::uint32_t frames = VXRingBufferRead(ring, left.data(), right.data(), kConsumerBlock);
    const std::uint64_t counted = VXRingBufferUnderruns(ring) - underrunsBefore;

    if (frames == 0) {
      for (std::uint32_t i = 0; i < kConsumerBlock; ++i) {
        if (left[i] != 0.0f || right[i] != 0.0f) log.fault("a silent read carried samples");
      }
      if (delivering) ++log.silentAfterAudio;
      if (counted == 1) {
        ++log.underrunsSeen;
        if (!delivering) log.fault("underrun counted while priming");
        // Frames only arrive while the read runs, so a block that was buffered stays buffered.
        if (bufferedBefore >= kConsumerBlock) log.fault("underrun counted with a block buffered");
      } else if (counted != 0) {
        log.fault("one read counted several underruns");
      }
      delivering = false;
    } else if (frames == kConsumerBlock) {
      if (counted != 0) log.fault("a delivering read counted an underrun");
      const auto first = static_cast<std::uint64_t>(left[0]);
      for (std::uint32_t i = 0; i < kConsumerBlock; ++i) {
        if (left[i] != static_cast<float>(first + i)) log.fault("frames out of order in a block");
        if (right[i] != -left[i] - 1.0f) log.fault("left and right from different frames");
      }
      if (first < expectedFrame) log.fault("the stream went backwards");
      if (delivering && first != expectedFrame) log.fault("a gap while delivering");
      if (first > expectedFrame) ++log.forwardJumps;
      expectedFrame = first + kConsumerBlock;
      log.deliveredFrames += kConsumerBlock;
      delivering = true;
    } else {
      log.fault("a partial read");
    }

    switch (phaseAt(start)) {
      case Phase::balanced:
        pause(upTo(random, 120));
        break;
      case Phase::consumerStalls:
        // Now and then long enough for the ring to overflow, then back to pace to resynchronise.
        pause(random() % 8 == 0 ? microseconds(6000) : upTo(random, 120));
        break;
      case Phase::producerStalls:
        pause(upTo(random, 60));
        break;
    }
  }
  return log;
}

struct ControlLog {
  std::string firstFault;
  std::uint64_t polls = 0;
};

// The main thread's view: a fill level that is never negative (the consumer may advance between
// the two position loads, so it can exceed the capacity), and peaks that follow the rising frame
// numbers.
ControlLog control(VXRingBuffer* ring, const std::atomic<bool>& done) {
  ControlLog log;
  float highestPeak = 0.0f;
  while (!done.load(std::memory_order_acquire)) {
    if (VXRingBufferBufferedFrames(ring) > kLastExactFrame) log.firstFault = "negative fill";
    const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring);
    if (meters.leftPeak != 0.0f && meters.leftPeak < highestPeak) {
      log.firstFault = "a peak below an earlier one";
    }
    if (meters.leftPeak > highestPeak) highestPeak = meters.leftPeak;
    ++log.polls;
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

  ProducerLog produced;
  ConsumerLog consumed;
  ControlLog controlled;
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
