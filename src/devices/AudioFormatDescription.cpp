#include "devices/AudioFormatDescription.h"

#include <cmath>

#include "devices/TechnicalNumberFormat.h"

std::optional<std::string> AudioFormatDescription::signalPath(
    double sampleRate, const std::optional<AudioDeviceFormat>& physicalFormat) {
  if (!std::isfinite(sampleRate) || !(sampleRate > 0)) return std::nullopt;
  std::string text = TechnicalNumberFormat::fixed(sampleRate / 1000, 1) + " kHz";
  if (physicalFormat) text += " / " + physicalFormat->shortDescription();
  return text;
}
