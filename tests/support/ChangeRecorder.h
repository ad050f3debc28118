#pragma once

// Records what a device service reports. The handler runs on the listener queue; tests read after
// draining it, or poll.

#include <mutex>
#include <vector>

#include "devices/AudioDeviceService.h"

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
