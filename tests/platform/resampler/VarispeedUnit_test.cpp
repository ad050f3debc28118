#include "platform/resampler/VarispeedUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <tuple>
#include <vector>

#include "platform/resampler/VarispeedFixture.h"
#include "support/SineAnalysis.h"

namespace {

// 48 to 44.1 kHz at a playback rate of 1.001: the input goes faster and each tone rises by the
// rate, at unity gain and a high SNR.
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
  for (const auto& [channel, hz, amplitude] : {std::tuple{&left, kLeftHz, kLeftAmplitude},
                                               std::tuple{&right, kRightHz, kRightAmplitude}}) {
    const SineFit fit =
        fitSineFindingFrequency(std::span(*channel).last(44100), 44100.0, hz - 10, hz + 10);
    EXPECT_NEAR(fit.frequency, hz * rate, 0.01);
    EXPECT_NEAR(20 * std::log10(fit.amplitude / amplitude), 0.0, 0.05);
    EXPECT_GE(fit.snrDb, 120.0);
  }
}

}  // namespace
