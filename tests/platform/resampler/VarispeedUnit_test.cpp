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
  EXPECT_GE(l.snrDb, 120.0);
  EXPECT_GE(r.snrDb, 120.0);
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

}  // namespace
