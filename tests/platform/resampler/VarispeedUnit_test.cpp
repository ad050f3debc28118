#include "platform/resampler/VarispeedUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <span>
#include <vector>

#include "platform/resampler/VarispeedFixture.h"
#include "support/SineAnalysis.h"

namespace {

TEST_F(Varispeed, ConvertsASineFrom48To44_1kHzAtUnityGainAndHighSnr) {
  configure();
  stream(120);
  // One second of output past the converter's start-up transient.
  const SineFit l = fitSine(std::span(left).subspan(4410, 44100), 44100.0, kLeftHz);
  const SineFit r = fitSine(std::span(right).subspan(4410, 44100), 44100.0, kRightHz);
  EXPECT_NEAR(20 * std::log10(l.amplitude / kLeftAmplitude), 0.0, 0.05);
  EXPECT_NEAR(20 * std::log10(r.amplitude / kRightAmplitude), 0.0, 0.05);
  EXPECT_GE(l.snrDb, 90.0);
  EXPECT_GE(r.snrDb, 90.0);
}

TEST_F(Varispeed, PlaybackRateConsumesInputFasterAndRaisesThePitch) {
  configure();
  ASSERT_EQ(setRate(1.001f), noErr);
  stream(100);
  const UInt64 pulledBefore = framesPulled;
  stream(2500);
  // Whole-chunk pulls blur the count by less than one chunk, under 1e-4 of this many frames.
  const double rate = static_cast<double>(1.001f);
  const double expected = 2500 * kBlock * 48000.0 / 44100.0 * rate;
  EXPECT_NEAR(static_cast<double>(framesPulled - pulledBefore) / expected, 1.0, 1e-4);
  const SineFit fit = fitSineFindingFrequency(std::span(left).last(44100), 44100.0, 990.0, 1010.0);
  EXPECT_NEAR(fit.frequency, kLeftHz * rate, 0.01);
}

TEST_F(Varispeed, HoldsBackItsLatencyPlusLessThanAChunkOfInput) {
  configure();
  StereoOutput output(kBlock);
  for (int block = 1; block <= 40; ++block) {
    ASSERT_EQ(render(output), noErr);
    // The input position of the last output frame, against the last input frame pulled.
    const double heldBack =
        static_cast<double>(framesPulled - 1) - (block * kBlock - 1) * 48000.0 / 44100.0;
    EXPECT_GE(heldBack, unit.latencyFrames() - 1.0);
    EXPECT_LT(heldBack, unit.latencyFrames() + VarispeedUnit::kInputChunkFrames);
  }
}

TEST_F(Varispeed, AFailedPullEndsTheBlockWithItsStatusAndSilentInputPlaysAsSilence) {
  configure();
  StereoOutput output(kBlock);
  ASSERT_EQ(render(output), noErr);
  failOnPull = pulls;
  EXPECT_EQ(render(output), -10863);
  EXPECT_EQ(pulls, failOnPull + 1) << "the failed pull is the block's last";
  EXPECT_EQ(render(output), noErr);
  // Samples flagged as silence are not played, whatever they hold.
  claimSilence = true;
  for (int block = 0; block < 8; ++block) ASSERT_EQ(render(output), noErr);
  EXPECT_EQ(output.left, std::vector<float>(kBlock, 0.0f));
  EXPECT_EQ(output.right, std::vector<float>(kBlock, 0.0f));
}

}  // namespace
