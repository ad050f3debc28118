#pragma once

// The identity of the route the engine was last started with: everything of its configuration
// but the channel names, so that renaming a channel does not restart the engine.

#include <cstdint>

#include "audio/MonitoringConfiguration.h"
#include "platform/CoreAudioTypes.h"

struct RouteKey {
  AudioObjectID inputDeviceID = 0;
  int leftChannel = 0;
  int rightChannel = 0;
  double inputSampleRate = 0;
  std::uint32_t inputBufferFrameSize = 0;
  AudioObjectID outputDeviceID = 0;
  double outputSampleRate = 0;
  std::uint32_t outputBufferFrameSize = 0;
  RouteLatency latency = RouteLatency::standard;

  static RouteKey of(const MonitoringConfiguration& configuration) {
    return RouteKey{configuration.inputDeviceID,
                    configuration.channelPair.leftChannel,
                    configuration.channelPair.rightChannel,
                    configuration.inputSampleRate,
                    configuration.inputBufferFrameSize,
                    configuration.outputDeviceID,
                    configuration.outputSampleRate,
                    configuration.outputBufferFrameSize,
                    configuration.latency};
  }

  bool operator==(const RouteKey&) const = default;
};
