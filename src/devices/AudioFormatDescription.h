#pragma once

// Describes one side of the route for the window: "48.0 kHz / 24-bit", or "96.0 kHz" when the
// hardware format is unknown.

#include <optional>
#include <string>

#include "devices/AudioDeviceFormat.h"

struct AudioFormatDescription {
  AudioFormatDescription() = delete;

  // No text when the rate is not a positive finite number.
  static std::optional<std::string> signalPath(
      double sampleRate, const std::optional<AudioDeviceFormat>& physicalFormat);
};
