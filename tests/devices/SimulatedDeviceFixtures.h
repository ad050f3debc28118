#pragma once

// Ready-made simulated devices for the device-service tests.

#include <string>
#include <vector>

#include "devices/AudioChannelPair.h"
#include "platform/simulated/SimulatedCatalog.h"

// An interface with one interleaved input stream of `channels` 24-bit channels.
inline SimulatedCatalogDevice simulatedInputDevice(std::string name, std::string uid,
                                                   UInt32 channels = 2) {
  SimulatedCatalogDevice device;
  device.uid = std::move(uid);
  device.name = std::move(name);
  device.inputStreams = {{channels, simulatedLinearPCMFormat(24, false, channels)}};
  return device;
}

// Speakers: one stereo 32-bit float output stream and no inputs.
inline SimulatedCatalogDevice simulatedOutputDevice(std::string name, std::string uid) {
  SimulatedCatalogDevice device;
  device.uid = std::move(uid);
  device.name = std::move(name);
  device.outputStreams = {{2, simulatedLinearPCMFormat(32, true)}};
  return device;
}

inline std::vector<std::string> pairIDs(const std::vector<AudioChannelPair>& pairs) {
  std::vector<std::string> identifiers;
  for (const AudioChannelPair& pair : pairs) identifiers.push_back(pair.id());
  return identifiers;
}
