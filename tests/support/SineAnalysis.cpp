#include "support/SineAnalysis.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;
using Vector3 = std::array<double, 3>;

double determinant(const Matrix3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Cramer's rule: the normal equations here are well conditioned whenever the block spans more
// than a few periods.
Vector3 solve(const Matrix3& a, const Vector3& b) {
  const double whole = determinant(a);
  Vector3 x{};
  for (std::size_t column = 0; column < 3; ++column) {
    Matrix3 replaced = a;
    for (std::size_t row = 0; row < 3; ++row) replaced[row][column] = b[row];
    x[column] = determinant(replaced) / whole;
  }
  return x;
}

}  // namespace

SineFit fitSine(std::span<const float> samples, double sampleRate, double frequency) {
  const double step = 2.0 * std::numbers::pi * frequency / sampleRate;
  Matrix3 normal{};
  Vector3 projection{};
  for (std::size_t n = 0; n < samples.size(); ++n) {
    const Vector3 basis{std::sin(step * static_cast<double>(n)),
                        std::cos(step * static_cast<double>(n)), 1.0};
    for (std::size_t i = 0; i < 3; ++i) {
      for (std::size_t j = 0; j < 3; ++j) normal[i][j] += basis[i] * basis[j];
      projection[i] += basis[i] * samples[n];
    }
  }
  const Vector3 weights = solve(normal, projection);

  double residualEnergy = 0.0;
  for (std::size_t n = 0; n < samples.size(); ++n) {
    const double model = weights[0] * std::sin(step * static_cast<double>(n)) +
                         weights[1] * std::cos(step * static_cast<double>(n)) + weights[2];
    const double error = samples[n] - model;
    residualEnergy += error * error;
  }
  // a·sin + b·cos = A·sin(ωn + φ) with A = hypot(a, b).
  const double amplitude = std::hypot(weights[0], weights[1]);
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
