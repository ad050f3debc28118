#include "ringbuffer/VXRingBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "ringbuffer/VXRingBufferTesting.h"

namespace {

struct RingDeleter {
  void operator()(VXRingBuffer* ring) const { VXRingBufferDestroy(ring); }
};
using Ring = std::unique_ptr<VXRingBuffer, RingDeleter>;

Ring makeRing(std::uint32_t capacity, std::uint32_t target) {
  Ring ring(VXRingBufferCreate(capacity, target));
  EXPECT_NE(ring, nullptr);
  return ring;
}

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;

  explicit Stereo(std::uint32_t frames, float value = 0.0f)
      : left(frames, value), right(frames, value) {}
  std::uint32_t frames() const { return static_cast<std::uint32_t>(left.size()); }
};

// Frames numbered from `first`; the right channel mirrors the left so that swaps show.
Stereo numbered(std::uint32_t first, std::uint32_t frames) {
  Stereo block(frames);
  for (std::uint32_t i = 0; i < frames; ++i) {
    block.left[i] = static_cast<float>(first + i);
    block.right[i] = -static_cast<float>(first + i) - 1.0f;
  }
  return block;
}

std::uint32_t write(VXRingBuffer* ring, const Stereo& block) {
  return VXRingBufferWrite(ring, block.left.data(), block.right.data(), block.frames());
}

// The destination starts out as garbage so that silence has to be written, not inherited.
Stereo read(VXRingBuffer* ring, std::uint32_t frames, std::uint32_t* delivered) {
  Stereo block(frames, 7.0f);
  *delivered = VXRingBufferRead(ring, block.left.data(), block.right.data(), frames);
  return block;
}

void expectSilent(const Stereo& block) {
  for (std::uint32_t i = 0; i < block.frames(); ++i) {
    ASSERT_EQ(block.left[i], 0.0f) << "frame " << i;
    ASSERT_EQ(block.right[i], 0.0f) << "frame " << i;
  }
}

void expectNumbered(const Stereo& block, std::uint32_t first) {
  const Stereo expected = numbered(first, block.frames());
  EXPECT_EQ(block.left, expected.left);
  EXPECT_EQ(block.right, expected.right);
}

// Whether a freshly created ring accepts one block of `frames`: probes the capacity.
bool acceptsBlock(std::uint32_t capacity, std::uint32_t target, std::uint32_t frames) {
  const Ring ring = makeRing(capacity, target);
  return write(ring.get(), Stereo(frames)) == frames;
}

// Runs `frames` of unit samples through the envelope and returns the gains it applied.
std::vector<float> envelopeGains(VXRingBuffer* ring, std::uint32_t frames, double sampleRate) {
  Stereo block(frames, 1.0f);
  VXRingBufferApplyOutputEnvelope(ring, block.left.data(), block.right.data(), frames, sampleRate);
  EXPECT_EQ(block.left, block.right);
  return block.left;
}

float currentGain(VXRingBuffer* ring) {
  // One frame towards the goal from the stored gain; used where the step is negligible.
  return envelopeGains(ring, 1, 48000.0).front();
}

TEST(VXRingBufferCreate, RoundsCapacityUpToAPowerOfTwoOfAtLeast1024AndBoundsTheTarget) {
  struct Case {
    std::uint32_t capacity, target, expectedCapacity, expectedTarget;
  };
  for (const Case c : {Case{0, 0, 1024, 0}, Case{1000, 5000, 1024, 512},
                       Case{4096, 4096, 4096, 2048}, Case{1025, 100, 2048, 100}}) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", target " << c.target);
    const Ring ring = makeRing(c.capacity, c.target);
    EXPECT_EQ(VXRingBufferTargetFrames(ring.get()), c.expectedTarget);
    EXPECT_TRUE(acceptsBlock(c.capacity, c.target, c.expectedCapacity));
    EXPECT_FALSE(acceptsBlock(c.capacity, c.target, c.expectedCapacity + 1));
    EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);
    EXPECT_EQ(VXRingBufferTakeError(ring.get()), 0);
  }
}

// Under AddressSanitizer the leak checker also proves that a failed Create frees what it got.
class VXRingBufferCreateFailure : public testing::TestWithParam<VXRingBufferAllocation> {};

TEST_P(VXRingBufferCreateFailure, ReturnsNullAndOnlyTheNextCreateFails) {
  VXRingBufferFailNextAllocation(GetParam());
  EXPECT_EQ(VXRingBufferCreate(4096, 1024), nullptr);
  const Ring ring = makeRing(4096, 1024);
  EXPECT_EQ(VXRingBufferTargetFrames(ring.get()), 1024u);
}

INSTANTIATE_TEST_SUITE_P(EachAllocation, VXRingBufferCreateFailure,
                         testing::Values(VXRingBufferAllocation::record,
                                         VXRingBufferAllocation::leftSamples,
                                         VXRingBufferAllocation::rightSamples));

TEST(VXRingBufferOverrun, RefusesTheWholeBlockCountsOnceAndResynchronisesTheNextRead) {
  const Ring ring = makeRing(1024, 300);
  ASSERT_EQ(write(ring.get(), numbered(0, 1000)), 1000u);

  EXPECT_EQ(write(ring.get(), numbered(1000, 25)), 0u);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 1000u);
  EXPECT_EQ(VXRingBufferOverruns(ring.get()), 1u);

  std::uint32_t delivered = 0;
  const Stereo silence = read(ring.get(), 64, &delivered);
  EXPECT_EQ(delivered, 0u);
  expectSilent(silence);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 300u);
  EXPECT_EQ(VXRingBufferUnderruns(ring.get()), 0u);

  const Stereo audio = read(ring.get(), 64, &delivered);
  EXPECT_EQ(delivered, 64u) << "the target fill is buffered, so priming completes at once";
  expectNumbered(audio, 700);
}

TEST(VXRingBufferOverrun, ResynchronisationNeverMovesTheReadPositionBack) {
  const Ring ring = makeRing(1024, 512);
  ASSERT_EQ(write(ring.get(), numbered(0, 512)), 512u);
  std::uint32_t delivered = 0;
  read(ring.get(), 512, &delivered);
  ASSERT_EQ(delivered, 512u);
  ASSERT_EQ(write(ring.get(), numbered(512, 88)), 88u);

  // Larger than the ring: refused although only 88 frames wait, 88 < the target of 512.
  ASSERT_EQ(write(ring.get(), Stereo(2000)), 0u);
  read(ring.get(), 64, &delivered);
  EXPECT_EQ(delivered, 0u);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 88u) << "frames 88 to 511 must not replay";

  ASSERT_EQ(write(ring.get(), numbered(600, 500)), 500u);
  const Stereo audio = read(ring.get(), 64, &delivered);
  EXPECT_EQ(delivered, 64u);
  expectNumbered(audio, 1100 - 512 - 64);  // primed again: the target is left after the pull
}

TEST(VXRingBufferMeters, RaiseOnEveryWriteEvenARefusedOne) {
  const Ring ring = makeRing(1024, 0);
  ASSERT_EQ(write(ring.get(), Stereo(1024, 0.25f)), 1024u);

  Stereo loud(16, 0.5f);
  loud.left[3] = -1.0f;
  loud.right[9] = 0.75f;
  EXPECT_EQ(write(ring.get(), loud), 0u);

  const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_EQ(meters.leftPeak, 1.0f);
  EXPECT_EQ(meters.rightPeak, 0.75f);
  EXPECT_TRUE(meters.leftClipped);
  EXPECT_FALSE(meters.rightClipped);
}

TEST(VXRingBufferMeters, LatchClipFromTheThresholdUpAndKeepTheLargestPeak) {
  const Ring ring = makeRing(1024, 0);
  Stereo block(8, 0.1f);
  block.left[2] = 0.9998f;
  block.right[5] = 0.9999f;
  write(ring.get(), block);
  write(ring.get(), Stereo(8, 0.2f));

  VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_EQ(meters.leftPeak, 0.9998f);
  EXPECT_EQ(meters.rightPeak, 0.9999f);
  EXPECT_FALSE(meters.leftClipped);
  EXPECT_TRUE(meters.rightClipped);

  meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_EQ(meters.leftPeak, 0.0f) << "a snapshot takes the peaks";
  EXPECT_EQ(meters.rightPeak, 0.0f);
  EXPECT_FALSE(meters.leftClipped);
  EXPECT_TRUE(meters.rightClipped) << "clip latches outlive snapshots";

  write(ring.get(), Stereo(4, 1.0f));
  VXRingBufferClearLeftClip(ring.get());
  meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_FALSE(meters.leftClipped);
  EXPECT_TRUE(meters.rightClipped);
  VXRingBufferClearClips(ring.get());
  EXPECT_FALSE(VXRingBufferTakeMeterSnapshot(ring.get()).rightClipped);
}

TEST(VXRingBufferMeters, IgnoreNaNButCountInfinityAsAClip) {
  const Ring ring = makeRing(1024, 0);
  // Eleven frames: non-finite samples both among the first eight and in the three after them.
  Stereo block(11, 0.5f);
  block.left[1] = std::numeric_limits<float>::quiet_NaN();
  block.left[9] = std::numeric_limits<float>::quiet_NaN();
  block.right[2] = std::numeric_limits<float>::quiet_NaN();
  block.right[10] = -std::numeric_limits<float>::infinity();
  write(ring.get(), block);

  const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_EQ(meters.leftPeak, 0.5f);
  EXPECT_EQ(meters.rightPeak, std::numeric_limits<float>::infinity());
  EXPECT_FALSE(meters.leftClipped);
  EXPECT_TRUE(meters.rightClipped);
}

TEST(VXRingBufferWrite, StoresNonFiniteSamplesAsSilence) {
  const Ring ring = makeRing(1024, 0);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  Stereo block(11);
  block.left = {1, nan, 3, 4, infinity, 6, 7, 8, 9, -infinity, 11};
  block.right = {-1, -2, -infinity, -4, -5, -6, -7, nan, -9, -10, nan};
  ASSERT_EQ(write(ring.get(), block), 11u);

  std::uint32_t delivered = 0;
  const Stereo out = read(ring.get(), 11, &delivered);
  ASSERT_EQ(delivered, 11u);
  EXPECT_EQ(out.left, (std::vector<float>{1, 0, 3, 4, 0, 6, 7, 8, 9, 0, 11}));
  EXPECT_EQ(out.right, (std::vector<float>{-1, -2, 0, -4, -5, -6, -7, 0, -9, -10, 0}));
}

TEST(VXRingBufferPriming, WaitsForTheTargetWithoutCountingAnUnderrun) {
  const Ring ring = makeRing(4096, 2048);
  write(ring.get(), numbered(0, 10));
  std::uint32_t delivered = 0;
  const Stereo silence = read(ring.get(), 512, &delivered);
  EXPECT_EQ(delivered, 0u);
  expectSilent(silence);
  EXPECT_EQ(VXRingBufferUnderruns(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 10u);

  write(ring.get(), numbered(10, 2038));
  const Stereo audio = read(ring.get(), 512, &delivered);
  EXPECT_EQ(delivered, 512u);
  expectNumbered(audio, 0);

  const Ring untargeted = makeRing(1024, 0);
  write(untargeted.get(), numbered(0, 63));
  read(untargeted.get(), 64, &delivered);
  EXPECT_EQ(delivered, 0u) << "with target 0, priming needs the requested frames";

  // A late first pull leaves exactly the target after it.
  const Ring late = makeRing(4096, 1000);
  write(late.get(), numbered(0, 1700));
  expectNumbered(read(late.get(), 256, &delivered), 1700 - 1256);
  ASSERT_EQ(delivered, 256u);
  EXPECT_EQ(VXRingBufferBufferedFrames(late.get()), 1000u);
}

TEST(VXRingBufferUnderrun, DropsWhatWasBufferedCountsOnceAndPrimesAgain) {
  const Ring ring = makeRing(2048, 512);
  write(ring.get(), numbered(0, 512));
  std::uint32_t delivered = 0;
  read(ring.get(), 512, &delivered);
  ASSERT_EQ(delivered, 512u);
  write(ring.get(), numbered(512, 300));
  ASSERT_EQ(VXRingBufferBufferedFrames(ring.get()), 300u);

  const Stereo silence = read(ring.get(), 512, &delivered);
  EXPECT_EQ(delivered, 0u);
  expectSilent(silence);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferUnderruns(ring.get()), 1u);

  write(ring.get(), numbered(812, 511));
  read(ring.get(), 64, &delivered);
  EXPECT_EQ(delivered, 0u) << "re-priming to the target";
  EXPECT_EQ(VXRingBufferUnderruns(ring.get()), 1u);
  write(ring.get(), numbered(1323, 1));
  const Stereo audio = read(ring.get(), 64, &delivered);
  EXPECT_EQ(delivered, 64u);
  expectNumbered(audio, 812);
}

TEST(VXRingBufferWrapAround, WritesAndReadsCrossingTheEndStayInOrder) {
  const Ring ring = makeRing(1024, 0);
  std::uint32_t written = 0;
  std::uint32_t consumed = 0;
  // Primed with exactly one read's worth, so that priming drops nothing.
  ASSERT_EQ(write(ring.get(), numbered(0, 300)), 300u);
  std::uint32_t primed = 0;
  expectNumbered(read(ring.get(), 300, &primed), 0);
  ASSERT_EQ(primed, 300u);
  written = consumed = 300;
  // 300 and 700 frames do not divide 1024, so both sides wrap at many different offsets.
  while (consumed < 20 * 1024) {
    ASSERT_EQ(write(ring.get(), numbered(written, 700)), 700u);
    written += 700;
    while (written - consumed >= 300) {
      std::uint32_t delivered = 0;
      const Stereo block = read(ring.get(), 300, &delivered);
      ASSERT_EQ(delivered, 300u);
      expectNumbered(block, consumed);
      consumed += 300;
    }
  }
  EXPECT_EQ(VXRingBufferUnderruns(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferOverruns(ring.get()), 0u);
}

TEST(VXRingBufferErrors, KeepTheFirstNonZeroStatusUntilTaken) {
  const Ring ring = makeRing(1024, 0);
  VXRingBufferReportError(ring.get(), 0);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), 0);
  VXRingBufferReportError(ring.get(), -50);
  VXRingBufferReportError(ring.get(), 0);
  VXRingBufferReportError(ring.get(), -108);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -50);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), 0);
  VXRingBufferReportError(ring.get(), -108);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -108);
}

TEST(VXRingBufferReset, ClearsTheRunStateButKeepsMuteAndSizes) {
  const Ring ring = makeRing(1024, 100);
  write(ring.get(), Stereo(1000, 1.0f));
  write(ring.get(), Stereo(100, 1.0f));
  VXRingBufferReportError(ring.get(), -50);
  VXRingBufferSetMuted(ring.get(), true);

  VXRingBufferReset(ring.get());

  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferOverruns(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), 0);
  EXPECT_EQ(VXRingBufferTargetFrames(ring.get()), 100u);
  const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_EQ(meters.leftPeak, 0.0f);
  EXPECT_FALSE(meters.leftClipped);
  EXPECT_FALSE(meters.rightClipped);
  EXPECT_EQ(currentGain(ring.get()), 0.0f) << "still muted, from a gain of zero";

  write(ring.get(), numbered(0, 100));
  std::uint32_t delivered = 0;
  const Stereo audio = read(ring.get(), 100, &delivered);
  EXPECT_EQ(delivered, 100u) << "no resynchronisation left pending";
  expectNumbered(audio, 0);
}

// Without a usable rate the envelope runs at the 48 kHz coefficient.
TEST(VXRingBufferEnvelope, FadesInFromSilenceByTheRatesCoefficient) {
  const auto coefficient = [](double rate) {
    return static_cast<float>(1.0 - std::exp(-1.0 / (rate * 0.008)));
  };
  for (const double rate :
       {44100.0, 96000.0, 0.0, 1.0, -44100.0, std::numeric_limits<double>::quiet_NaN()}) {
    const Ring ring = makeRing(1024, 0);
    const std::vector<float> gains = envelopeGains(ring.get(), 2, rate);
    EXPECT_EQ(gains[0], coefficient(rate > 1.0 ? rate : 48000.0)) << "rate " << rate;
    EXPECT_GT(gains[1], gains[0]);
  }
}

TEST(VXRingBufferEnvelope, MutingFallsByFiveTimeConstantsIn40MillisecondsAtAnyRate) {
  for (const double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    SCOPED_TRACE(testing::Message() << "rate " << rate);
    const Ring ring = makeRing(1024, 0);
    envelopeGains(ring.get(), static_cast<std::uint32_t>(rate), rate);
    ASSERT_EQ(envelopeGains(ring.get(), 16, rate).back(), 1.0f);

    VXRingBufferSetMuted(ring.get(), true);
    const std::vector<float> gains =
        envelopeGains(ring.get(), static_cast<std::uint32_t>(rate * 0.040), rate);
    EXPECT_NEAR(gains.back(), std::exp(-5.0), 0.0002);
  }
}

TEST(VXRingBufferEnvelope, SettlesExactlyOnUnityGainAndOnSilence) {
  const Ring ring = makeRing(1024, 0);
  // Float rounding alone would leave the gain stuck just short of 1 and, muted, decaying into
  // subnormals that every sample would then be multiplied by.
  envelopeGains(ring.get(), 48000, 48000.0);
  EXPECT_EQ(envelopeGains(ring.get(), 512, 48000.0), std::vector<float>(512, 1.0f));

  VXRingBufferSetMuted(ring.get(), true);
  envelopeGains(ring.get(), 48000, 48000.0);
  EXPECT_EQ(envelopeGains(ring.get(), 512, 48000.0), std::vector<float>(512, 0.0f));

  // From k after one unmuted frame, muted, the gain passes 1e-6 between frames 3000 and 3050 and
  // then lands on silence.
  const Ring shortFade = makeRing(1024, 0);
  envelopeGains(shortFade.get(), 1, 48000.0);
  VXRingBufferSetMuted(shortFade.get(), true);
  ASSERT_GT(envelopeGains(shortFade.get(), 3000, 48000.0).back(), 1e-6f);
  const float belowThreshold = envelopeGains(shortFade.get(), 50, 48000.0).back();
  ASSERT_LT(belowThreshold, 1e-6f);
  EXPECT_GT(belowThreshold, 0.0f);
  EXPECT_EQ(envelopeGains(shortFade.get(), 1, 48000.0).front(), 0.0f);
}

TEST(VXRingBufferEnvelope, EveryStartOfAudioFadesInAgain) {
  const Ring ring = makeRing(1024, 256);
  envelopeGains(ring.get(), 48000, 48000.0);
  ASSERT_EQ(currentGain(ring.get()), 1.0f);

  write(ring.get(), Stereo(256, 0.5f));
  std::uint32_t delivered = 0;
  read(ring.get(), 128, &delivered);
  ASSERT_EQ(delivered, 128u);
  EXPECT_LT(currentGain(ring.get()), 0.01f) << "priming restarts the fade";

  envelopeGains(ring.get(), 48000, 48000.0);
  write(ring.get(), Stereo(2000, 0.5f));
  read(ring.get(), 128, &delivered);
  ASSERT_EQ(delivered, 0u) << "resynchronising after the refused block";
  EXPECT_LT(currentGain(ring.get()), 0.01f) << "resynchronisation restarts the fade";
}

}  // namespace
