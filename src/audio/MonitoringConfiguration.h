#pragma once

#include <cstdint>

#include "audio/RouteLatency.h"
#include "devices/AudioChannelPair.h"
#include "platform/CoreAudioTypes.h"

// One concrete route, as the controller resolved it from the catalog.
struct MonitoringConfiguration {
  AudioObjectID inputDeviceID = 0;
  AudioChannelPair channelPair;
  double inputSampleRate = 0;
  std::uint32_t inputBufferFrameSize = 0;
  AudioObjectID outputDeviceID = 0;
  double outputSampleRate = 0;
  std::uint32_t outputBufferFrameSize = 0;
  RouteLatency latency = RouteLatency::standard;

  friend bool operator==(const MonitoringConfiguration&, const MonitoringConfiguration&) = default;
};
