#include "support/SineAnalysis.h"

#include <cmath>
#include <cstddef>
#include <numbers>

SineFit fitSine(std::span<const float> samples, double sampleRate, double frequency) {
  const double step = 2.0 * std::numbers::pi * frequency / sampleRate;
  // The normal equations of x[n] ≈ a·sin(ωn) + b·cos(ωn), solved by Cramer's rule: well
  // conditioned whenever the block spans more than a few periods.
  double ss = 0.0, sc = 0.0, cc = 0.0, xs = 0.0, xc = 0.0;
  for (std::size_t n = 0; n < samples.size(); ++n) {
    const double s = std::sin(step * static_cast<double>(n));
    const double c = std::cos(step * static_cast<double>(n));
    ss += s * s, sc += s * c, cc += c * c, xs += samples[n] * s, xc += samples[n] * c;
  }
  const double determinant = ss * cc - sc * sc;
  const double a = (xs * cc - xc * sc) / determinant, b = (xc * ss - xs * sc) / determinant;
  double residualEnergy = 0.0;
  for (std::size_t n = 0; n < samples.size(); ++n) {
    const double error = samples[n] - a * std::sin(step * static_cast<double>(n)) -
                         b * std::cos(step * static_cast<double>(n));
    residualEnergy += error * error;
  }
  // a·sin + b·cos = A·sin(ωn + φ) with A = hypot(a, b).
  const double amplitude = std::hypot(a, b);
  const double residualPower = residualEnergy / static_cast<double>(samples.size());
  return SineFit{frequency, amplitude,
                 10.0 * std::log10(amplitude * amplitude / 2.0 / residualPower)};
}

SineFit fitSineFindingFrequency(std::span<const float> samples, double sampleRate, double lowest,
                                double highest) {
  // A coarse grid finer than the fit's main lobe (about sampleRate / size wide) finds the lobe;
  // a golden-section search then narrows it down, the residual being unimodal inside it.
  constexpr int kGridPoints = 200;
  const double spacing = (highest - lowest) / kGridPoints;
  SineFit best = fitSine(samples, sampleRate, lowest);
  for (int point = 1; point <= kGridPoints; ++point) {
    const SineFit candidate = fitSine(samples, sampleRate, lowest + spacing * point);
    if (candidate.snrDb > best.snrDb) best = candidate;
  }
  const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
  double low = best.frequency - spacing;
  double high = best.frequency + spacing;
  for (int iteration = 0; iteration < 40; ++iteration) {
    const double left = high - ratio * (high - low);
    const double right = low + ratio * (high - low);
    if (fitSine(samples, sampleRate, left).snrDb > fitSine(samples, sampleRate, right).snrDb) {
      high = right;
    } else {
      low = left;
    }
  }
  const SineFit refined = fitSine(samples, sampleRate, (low + high) / 2.0);
  return refined.snrDb > best.snrDb ? refined : best;
}
