#pragma once

// How one channel's meter reading follows the peaks that each poll brings: the bar jumps up and
// falls by a fixed step per poll, the peak marker holds for a while and is then released step by
// step, the peak memory keeps the maximum and the clip lamp latches. Pure functions of their
// arguments; the hold time is kept by the caller on a monotonic clock.

#include <chrono>

#include "controller/MeterReading.h"

struct MeterBallistics {
  using TimePoint = std::chrono::steady_clock::time_point;

  static constexpr double floorDBFS = -60.0;
  // Compared in single precision, the peaks' own type, so that 0.001 itself is silence.
  static constexpr float silenceThreshold = 0.001f;
  static constexpr double levelFallPerPoll = 0.6;
  static constexpr std::chrono::milliseconds peakHold{3000};
  static constexpr double peakReleasePerPoll = 0.4;

  // A linear peak in dBFS, floored; silence, negative values and NaN give the floor. Infinities
  // and NaN are first taken as full scale, so that one broken sample reads as a loud one rather
  // than vanishing.
  static double decibels(float linearPeak);

  // The reading after a poll that covers `polls` poll intervals (1 but while no view shows the
  // meters): the fall and the release step that many times. `holdUntil` is read and, when the
  // peak marker is raised or renewed, moved to now + peakHold.
  static MeterReading next(const MeterReading& old, float linearPeak, bool clipped, TimePoint now,
                           TimePoint& holdUntil, int polls);
};
