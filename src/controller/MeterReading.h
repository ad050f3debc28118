#pragma once

// One channel's meter state as the controller publishes it; all levels in dBFS, floored at −60.

struct MeterReading {
  double levelDBFS = -60.0;
  double peakDBFS = -60.0;
  double sessionPeakDBFS = -60.0;
  bool isClipping = false;

  bool operator==(const MeterReading&) const = default;
};
