#pragma once

// Ready-made simulated devices, and the recorder of what a device service reports.

#include <string>

#include "platform/simulated/SimulatedCatalog.h"
#include "support/ChangeRecorder.h"

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
  SimulatedCatalogDevice device = simulatedInputDevice(std::move(name), std::move(uid));
  device.inputStreams.clear();
  device.outputStreams = {{2, simulatedLinearPCMFormat(32, true)}};
  return device;
}
