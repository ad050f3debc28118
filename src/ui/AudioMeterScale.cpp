#include "ui/AudioMeterScale.h"

#include <algorithm>
#include <cmath>

namespace AudioMeterScale {

namespace {

constexpr std::array<double, segmentCount + 1> makeBreakpoints() {
  std::array<double, segmentCount + 1> values{};
  for (int k = 0; k <= 16; ++k) values[k] = -60.0 + 3.0 * k;
  for (int k = 17; k <= segmentCount; ++k) values[k] = -12.0 + 0.75 * (k - 16);
  return values;
}

}  // namespace

const std::array<double, segmentCount + 1> breakpoints = makeBreakpoints();

double fraction(double dBFS) {
  if (!(dBFS > breakpoints.front())) return 0.0;
  if (!(dBFS < breakpoints.back())) return 1.0;
  int k = 0;
  while (dBFS > breakpoints[k + 1]) ++k;
  const double within = (dBFS - breakpoints[k]) / (breakpoints[k + 1] - breakpoints[k]);
  return (k + within) * segmentLength;
}

double decibels(double fraction) {
  const double s = fraction >= 0.0 ? std::min(fraction, 1.0) * segmentCount : 0.0;
  const int k = std::min(static_cast<int>(s), segmentCount - 1);
  return breakpoints[k] + (s - k) * (breakpoints[k + 1] - breakpoints[k]);
}

}  // namespace AudioMeterScale
