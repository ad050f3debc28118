#pragma once

#include <span>

// How well a block of samples matches one sine, x[n] ≈ amplitude·sin(2π·frequency·n/rate + φ),
// fitted by least squares. snrDb compares the sine's power with the power of everything the fit
// leaves over (noise, distortion, other tones, an offset).
struct SineFit {
  double frequency;
  double amplitude;
  double snrDb;
};

// Fits a sine of exactly the given frequency.
SineFit fitSine(std::span<const float> samples, double sampleRate, double frequency);

// Searches [lowest, highest] for the frequency that leaves the smallest residual. The range must
// hold one tone only and be at most a few hundred times sampleRate / samples.size() wide.
SineFit fitSineFindingFrequency(std::span<const float> samples, double sampleRate, double lowest,
                                double highest);
