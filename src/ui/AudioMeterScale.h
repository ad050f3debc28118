#pragma once

// The fixed, non-linear mapping between dBFS and a position along the level meter. The lower half
// of the bar covers −60 … −12 dBFS in 3 dB steps, the upper half −12 … 0 dBFS in 0.75 dB steps,
// so that the range where clipping is decided gets half of the bar.

#include <array>

namespace AudioMeterScale {

inline constexpr int segmentCount = 32;
inline constexpr double segmentLength = 1.0 / segmentCount;

// b0 … b32: the dBFS value at each segment boundary, from −60 to 0.
extern const std::array<double, segmentCount + 1> breakpoints;

// Position 0 … 1 along the meter; NaN and everything at or below −60 map to 0.
double fraction(double dBFS);

// The inverse: dBFS in −60 … 0; NaN and negative positions map to −60.
double decibels(double fraction);

}  // namespace AudioMeterScale
