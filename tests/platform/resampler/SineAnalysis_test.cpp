#include "support/SineAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 48000.0;

std::vector<float> sine(double frequency, double amplitude, double phase, double offset,
                        std::size_t size) {
  std::vector<float> samples(size);
  for (std::size_t n = 0; n < size; ++n) {
    samples[n] = static_cast<float>(
        amplitude * std::sin(2.0 * std::numbers::pi * frequency * n / kRate + phase) + offset);
  }
  return samples;
}

TEST(SineAnalysis, RecoversAmplitudePhaseAndOffsetFreeSnrOfAPureTone) {
  const std::vector<float> samples = sine(1000.0, 0.25, 0.7, 0.1, 4800);
  const SineFit fit = fitSine(samples, kRate, 1000.0);
  EXPECT_NEAR(fit.amplitude, 0.25, 1e-6);
  EXPECT_NEAR(fit.phase, 0.7, 1e-5);
  // Only the samples' float rounding is left over.
  EXPECT_GT(fit.snrDb, 130.0);
}

TEST(SineAnalysis, SnrMatchesAddedNoise) {
  std::vector<float> samples = sine(997.0, 0.5, -2.0, 0.0, 48000);
  std::mt19937 generator(7);
  std::normal_distribution<double> noise(0.0, 0.001);
  for (float& sample : samples) sample += static_cast<float>(noise(generator));
  // (0.5² / 2) / 0.001² is 51.0 dB.
  EXPECT_NEAR(fitSine(samples, kRate, 997.0).snrDb, 50.97, 0.2);
}

TEST(SineAnalysis, FindsTheFrequencyOfAToneInARange) {
  const std::vector<float> samples = sine(997.997, 0.5, 1.0, 0.0, 48000);
  const SineFit fit = fitSineFindingFrequency(samples, kRate, 990.0, 1010.0);
  EXPECT_NEAR(fit.frequency, 997.997, 1e-4);
  EXPECT_NEAR(fit.amplitude, 0.5, 1e-6);
  EXPECT_GT(fit.snrDb, 130.0);
}

}  // namespace
