#include "ringbuffer/VXRingBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

#include "ringbuffer/VXRingBufferTesting.h"

namespace {

using Frames = std::vector<float>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::int64_t kSilent = -1;

// Frame f carries f on the left and -(f + 1) on the right, so that gaps, replays and swapped
// channels show in what a read returns.
struct Ring {
  VXRingBuffer* ring;
  Frames left, right;  // what the last read wrote

  Ring(std::uint32_t capacity, std::uint32_t target) : ring(VXRingBufferCreate(capacity, target)) {
    EXPECT_NE(ring, nullptr);
  }
  ~Ring() { VXRingBufferDestroy(ring); }
  std::uint32_t write(const Frames& l, const Frames& r) {
    return VXRingBufferWrite(ring, l.data(), r.data(), static_cast<std::uint32_t>(l.size()));
  }
  std::uint32_t writeNumbered(std::uint32_t first, std::uint32_t frames) {
    Frames l(frames), r(frames);
    for (std::uint32_t i = 0; i < frames; ++i) {
      l[i] = static_cast<float>(first + i);
      r[i] = -l[i] - 1.0f;
    }
    return write(l, r);
  }
  // Into garbage, so that silence has to be written: kSilent for a silent read, the number of the
  // first frame for a whole numbered block, -2 for anything else.
  std::int64_t read(std::uint32_t frames) {
    left.assign(frames, 7.0f);
    right.assign(frames, 7.0f);
    const std::uint32_t delivered = VXRingBufferRead(ring, left.data(), right.data(), frames);
    bool silent = true, numbered = delivered == frames;
    for (std::uint32_t i = 0; i < frames; ++i) {
      silent = silent && left[i] == 0.0f && right[i] == 0.0f;
      numbered = numbered && left[i] == left[0] + static_cast<float>(i) && right[i] == -left[i] - 1;
    }
    if (delivered == 0 && silent) return kSilent;
    return numbered ? static_cast<std::int64_t>(left[0]) : -2;
  }
  std::uint64_t buffered() const { return VXRingBufferBufferedFrames(ring); }
  // The gain the envelope applies to the last of `frames` unit samples.
  float gain(std::uint32_t frames = 1) {
    Frames l(frames, 1.0f), r(frames, 1.0f);
    VXRingBufferApplyOutputEnvelope(ring, l.data(), r.data(), frames, 48000.0);
    return l.back();
  }
};

TEST(VXRingBufferCreate, RoundsCapacityUpToAPowerOfTwoOfAtLeast1024AndBoundsTheTarget) {
  const struct {
    std::uint32_t capacity, target, rounded, bounded;
  } rows[] = {
      {0, 0, 1024, 0}, {1000, 5000, 1024, 512}, {4096, 4096, 4096, 2048}, {1025, 100, 2048, 100}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "capacity " << row.capacity << ", target " << row.target);
    Ring fits(row.capacity, row.target), over(row.capacity, row.target);
    EXPECT_EQ(VXRingBufferTargetFrames(fits.ring), row.bounded);
    EXPECT_EQ(fits.writeNumbered(0, row.rounded), row.rounded);
    EXPECT_EQ(over.writeNumbered(0, row.rounded + 1), 0u);
    EXPECT_EQ(over.buffered(), 0u);
  }
  // Under AddressSanitizer the leak checker also proves that a failed Create frees what it got.
  for (const auto allocation : {VXRingBufferAllocation::record, VXRingBufferAllocation::leftSamples,
                                VXRingBufferAllocation::rightSamples}) {
    VXRingBufferFailNextAllocation(allocation);
    EXPECT_EQ(VXRingBufferCreate(4096, 1024), nullptr);
    EXPECT_EQ(VXRingBufferTargetFrames(Ring(4096, 1024).ring), 1024u) << "only one Create fails";
  }
}

TEST(VXRingBufferOverrun, RefusesTheWholeBlockCountsOnceAndResynchronisesTheNextRead) {
  Ring r(1024, 300);
  ASSERT_EQ(r.writeNumbered(0, 1000), 1000u);
  EXPECT_EQ(r.writeNumbered(1000, 25), 0u);
  EXPECT_EQ(r.buffered(), 1000u);
  EXPECT_EQ(VXRingBufferOverruns(r.ring), 1u);
  EXPECT_EQ(r.read(64), kSilent);
  EXPECT_EQ(r.buffered(), 300u);
  EXPECT_EQ(VXRingBufferUnderruns(r.ring), 0u);
  EXPECT_EQ(r.read(64), 700) << "the target fill is buffered, so priming completes at once";

  // Resynchronisation never moves the read position back: the threaded test meets this only now
  // and then; here it is certain.
  Ring below(1024, 512);
  below.writeNumbered(0, 512);
  ASSERT_EQ(below.read(512), 0);
  ASSERT_EQ(below.writeNumbered(512, 88), 88u);
  ASSERT_EQ(below.writeNumbered(0, 2000), 0u) << "refused although fewer than the target wait";
  EXPECT_EQ(below.read(64), kSilent);
  EXPECT_EQ(below.buffered(), 88u) << "frames 88 to 511 must not replay";
  ASSERT_EQ(below.writeNumbered(600, 500), 500u);
  EXPECT_EQ(below.read(64), 1100 - 512 - 64);  // primed again: the target is left after the pull
}

// One write each: peaks and clips from the threshold up, NaN ignored and infinity a clip, among
// the first eight frames and after them; non-finite samples stored as silence; a refused write
// still meters.
TEST(VXRingBufferMeters, PeaksAndClipsOfEveryWriteAndNonFiniteSamplesStoredAsSilence) {
  const struct {
    Frames left, right;
    float leftPeak, rightPeak;
    bool leftClipped, rightClipped, refused = false;
  } rows[] = {
      {{0.1f, 0.1f, 0.9998f, 0.2f}, {0.1f, 0.2f, 0.1f, 0.9999f}, 0.9998f, 0.9999f, false, true},
      {{1, kNaN, 3, 4, kInf, 6, 7, 8, 9, -kInf, 11}, Frames(11, 0.5f), kInf, 0.5f, true, false},
      {Frames(11, 0.25f), {0, 0, kNaN, 0, 0, 0, 0, 0, 0, 0.5f, kNaN}, 0.25f, 0.5f, false, false},
      {{0.5f, 0.5f, 0.5f, -1.0f}, {0.5f, 0.75f, 0.5f, 0.5f}, 1.0f, 0.75f, true, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    Ring r(1024, 0);
    if (row.refused) r.write(Frames(1024, 0.25f), Frames(1024, 0.25f));  // full
    const auto frames = static_cast<std::uint32_t>(row.left.size());
    EXPECT_EQ(r.write(row.left, row.right), row.refused ? 0u : frames);
    const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(r.ring);
    EXPECT_EQ(std::tie(meters.leftPeak, meters.rightPeak, meters.leftClipped, meters.rightClipped),
              std::tie(row.leftPeak, row.rightPeak, row.leftClipped, row.rightClipped));
    if (row.refused) continue;
    r.read(frames);
    for (std::uint32_t i = 0; i < frames; ++i) {
      EXPECT_EQ(r.left[i], std::isfinite(row.left[i]) ? row.left[i] : 0.0f) << i;
      EXPECT_EQ(r.right[i], std::isfinite(row.right[i]) ? row.right[i] : 0.0f) << i;
    }
  }
}

// At the start and after an underrun, which drops what was buffered and counts once.
TEST(VXRingBufferPriming, WaitsForTheTargetAtTheStartAndAfterAnUnderrun) {
  Ring r(4096, 2048);
  r.writeNumbered(0, 10);
  EXPECT_EQ(r.read(512), kSilent);
  EXPECT_EQ(r.buffered(), 10u);
  r.writeNumbered(10, 2038);
  EXPECT_EQ(r.read(512), 0);
  r.writeNumbered(2048, 300);
  EXPECT_EQ(VXRingBufferUnderruns(r.ring), 0u);
  EXPECT_EQ(r.read(2048), kSilent);
  EXPECT_EQ(r.buffered(), 0u);
  EXPECT_EQ(VXRingBufferUnderruns(r.ring), 1u);
  r.writeNumbered(2348, 2047);
  EXPECT_EQ(r.read(64), kSilent) << "re-priming to the target";
  r.writeNumbered(4395, 1);
  EXPECT_EQ(r.read(64), 2348);
  EXPECT_EQ(VXRingBufferUnderruns(r.ring), 1u);
}

TEST(VXRingBufferEnvelope, EveryStartOfAudioFadesInAgain) {
  Ring r(1024, 256);
  r.gain(48000);
  ASSERT_EQ(r.gain(), 1.0f);
  r.writeNumbered(0, 256);
  ASSERT_NE(r.read(128), kSilent);
  EXPECT_LT(r.gain(), 0.01f) << "priming restarts the fade";
  r.gain(48000);
  r.writeNumbered(0, 2000);
  ASSERT_EQ(r.read(128), kSilent) << "resynchronising after the refused block";
  EXPECT_LT(r.gain(), 0.01f) << "resynchronisation restarts the fade";
}

TEST(VXRingBufferEnvelope, MuteFadesOutToSilenceThatHoldsAndUnmuteFadesBackIn) {
  Ring r(1024, 256);
  r.gain(48000);
  VXRingBufferSetMuted(r.ring, true);
  EXPECT_GT(r.gain(), 0.99f) << "a mute fades, it does not cut";
  r.gain(48000);
  EXPECT_EQ(r.gain(), 0.0f);
  EXPECT_EQ(r.gain(512), 0.0f) << "a settled mute stays silent";
  VXRingBufferSetMuted(r.ring, false);
  EXPECT_LT(r.gain(), 0.01f);
  r.gain(48000);
  EXPECT_EQ(r.gain(512), 1.0f);
}

}  // namespace
