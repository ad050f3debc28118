#include "ui/MeterSegments.h"

#include "ui/AudioMeterScale.h"

namespace MeterSegments {

namespace {

using AudioMeterScale::breakpoints;
using AudioMeterScale::segmentCount;

// The smallest k in 1 … 31 with value ≤ b_k, or 32 above b_31; callers handle the ends.
int firstBreakpointAtOrAbove(double dBFS) {
  for (int k = 1; k < segmentCount; ++k) {
    if (dBFS <= breakpoints[k]) return k;
  }
  return segmentCount;
}

}  // namespace

int litCount(double levelDBFS) {
  if (!(levelDBFS > breakpoints.front())) return 0;
  if (levelDBFS >= breakpoints.back()) return segmentCount;
  return firstBreakpointAtOrAbove(levelDBFS);
}

std::optional<int> peakSegment(double peakDBFS) {
  if (!(peakDBFS > breakpoints.front())) return std::nullopt;
  if (peakDBFS >= breakpoints.back()) return segmentCount - 1;
  return firstBreakpointAtOrAbove(peakDBFS) - 1;
}

Zone zone(int segment) {
  const double centre = AudioMeterScale::decibels((segment + 0.5) * AudioMeterScale::segmentLength);
  if (centre > -3.0) return Zone::red;
  if (centre > -12.0) return Zone::amber;
  return Zone::green;
}

}  // namespace MeterSegments
