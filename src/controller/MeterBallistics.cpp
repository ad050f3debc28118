#include "controller/MeterBallistics.h"

#include <algorithm>
#include <cmath>

double MeterBallistics::decibels(float linearPeak) {
  const float peak = std::isfinite(linearPeak) ? linearPeak : 1.0f;
  if (!(peak > silenceThreshold)) return floorDBFS;
  return std::max(20.0 * std::log10(static_cast<double>(peak)), floorDBFS);
}

MeterReading MeterBallistics::next(const MeterReading& old, float linearPeak, bool clipped,
                                   TimePoint now, TimePoint& holdUntil, int polls) {
  const double dB = decibels(linearPeak);
  MeterReading reading;

  // A non-finite old value is replaced rather than compared, so it cannot pin the meter.
  reading.levelDBFS =
      std::isfinite(old.levelDBFS)
          ? std::max(dB, std::max(old.levelDBFS - levelFallPerPoll * polls, floorDBFS))
          : dB;

  if (!std::isfinite(old.peakDBFS) || old.peakDBFS <= dB) {
    reading.peakDBFS = dB;
    holdUntil = now + peakHold;
  } else if (now >= holdUntil) {
    reading.peakDBFS = std::max(old.peakDBFS - peakReleasePerPoll * polls, reading.levelDBFS);
  } else {
    reading.peakDBFS = old.peakDBFS;
  }
  reading.peakDBFS = std::max(reading.peakDBFS, floorDBFS);

  reading.sessionPeakDBFS =
      std::isfinite(old.sessionPeakDBFS) ? std::max({old.sessionPeakDBFS, dB, floorDBFS}) : dB;
  reading.isClipping = old.isClipping || clipped;
  return reading;
}
