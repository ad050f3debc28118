#pragma once

// Ready-made simulated devices, and a recorder of what a device service reports.

#include <mutex>
#include <string>
#include <vector>

#include "devices/AudioDeviceService.h"
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
  SimulatedCatalogDevice device = simulatedInputDevice(std::move(name), std::move(uid));
  device.inputStreams.clear();
  device.outputStreams = {{2, simulatedLinearPCMFormat(32, true)}};
  return device;
}

// The handler runs on the listener queue; tests read after draining it.
class ChangeRecorder {
 public:
  void attach(AudioDeviceService& service) {
    service.setChangeHandler(
        [this, &queue = service.listenerQueue()](AudioDeviceService::Change change) {
          std::lock_guard lock(mutex_);
          changes_.push_back(change);
          if (!queue.isCurrentThread()) ++callsOffQueue_;
        });
  }
  std::vector<AudioDeviceService::Change> changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
  }
  int callsOffQueue() const {
    std::lock_guard lock(mutex_);
    return callsOffQueue_;
  }

 private:
  mutable std::mutex mutex_;  // guards both members
  std::vector<AudioDeviceService::Change> changes_;
  int callsOffQueue_ = 0;
};
