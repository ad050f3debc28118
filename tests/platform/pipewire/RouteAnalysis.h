#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>
#include <span>
#include <vector>

// Comparing what a sink played with the known signal that went in: where in the signal each
// stretch of the recording lies (to a fraction of a frame), how closely it matches, and at what
// level. The signal is evaluated exactly at any position, so no interpolation error enters.
namespace pipewire_test {

struct Partial {
  double frequency, amplitude;
};

// A sum of sines starting at phase 0 at position 0.
struct MultiTone {
  std::vector<Partial> partials;
  double rate = 48000.0;

  double at(double position) const {
    double value = 0.0;
    for (const Partial& p : partials)
      value += p.amplitude * std::sin(2.0 * std::numbers::pi * p.frequency * position / rate);
    return value;
  }
  std::vector<float> samples(std::size_t frames) const {
    std::vector<float> out(frames);
    for (std::size_t n = 0; n < frames; ++n) out[n] = static_cast<float>(at(n));
    return out;
  }
};

inline double correlation(std::span<const float> recorded, const MultiTone& signal,
                          double position) {
  double xy = 0.0, xx = 0.0, yy = 0.0;
  for (std::size_t n = 0; n < recorded.size(); ++n) {
    const double x = recorded[n];
    const double y = signal.at(position + static_cast<double>(n));
    xy += x * y;
    xx += x * x;
    yy += y * y;
  }
  return xx > 0.0 && yy > 0.0 ? xy / std::sqrt(xx * yy) : 0.0;
}

struct Match {
  double position;  // the signal's position at the first recorded frame
  double correlation;
};

// The signal position within `radius` frames of `guess` that best matches the recording: the best
// whole frame, then the vertex of the parabola through it and its neighbours, which for these
// partials lies within a few thousandths of a frame of the true peak.
inline Match locate(std::span<const float> recorded, const MultiTone& signal, double guess,
                    int radius) {
  Match best{guess, -2.0};
  for (int offset = -radius; offset <= radius; ++offset) {
    const double c = correlation(recorded, signal, guess + offset);
    if (c > best.correlation) best = {guess + offset, c};
  }
  const double before = correlation(recorded, signal, best.position - 1.0);
  const double after = correlation(recorded, signal, best.position + 1.0);
  const double curvature = before - 2.0 * best.correlation + after;
  if (curvature >= 0.0) return best;
  const double position = best.position + (before - after) / (2.0 * curvature);
  const double c = correlation(recorded, signal, position);
  return c > best.correlation ? Match{position, c} : best;
}

// The first frame louder than `threshold`.
inline std::optional<std::size_t> onset(std::span<const float> samples, float threshold) {
  const auto found = std::find_if(samples.begin(), samples.end(),
                                  [&](float s) { return std::abs(s) > threshold; });
  if (found == samples.end()) return std::nullopt;
  return static_cast<std::size_t>(found - samples.begin());
}

inline double rms(std::span<const float> samples) {
  double sum = 0.0;
  for (float s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

}  // namespace pipewire_test
