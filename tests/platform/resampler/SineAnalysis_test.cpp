#include "support/SineAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

// The fits every audio test judges by: a tone with an offset and known noise comes back with its
// frequency, amplitude and phase, and an SNR that ignores the offset and matches the noise;
// without noise only the samples' float rounding is left over.
TEST(SineAnalysis, RecoversFrequencyAmplitudePhaseAndTheOffsetFreeSnr) {
  for (const double noiseLevel : {0.0, 0.001}) {
    std::mt19937 generator(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<float> samples(48000);
    for (std::size_t n = 0; n < samples.size(); ++n) {
      const double tone = 0.5 * std::sin(2.0 * std::numbers::pi * 997.997 * n / 48000.0 + 0.7);
      samples[n] = static_cast<float>(tone + 0.1 + noiseLevel * noise(generator));
    }
    const SineFit found = fitSineFindingFrequency(samples, 48000.0, 990.0, 1010.0);
    EXPECT_NEAR(found.frequency, 997.997, noiseLevel > 0 ? 1e-3 : 1e-4);
    const SineFit fit = fitSine(samples, 48000.0, 997.997);
    EXPECT_NEAR(fit.amplitude, 0.5, noiseLevel > 0 ? 1e-4 : 1e-6);
    EXPECT_NEAR(fit.phase, 0.7, noiseLevel > 0 ? 1e-3 : 1e-5);
    // (0.5² / 2) / 0.001² is 51.0 dB.
    if (noiseLevel > 0) {
      EXPECT_NEAR(fit.snrDb, 50.97, 0.2);
    } else {
      EXPECT_GT(fit.snrDb, 130.0);
    }
  }
}

}  // namespace
