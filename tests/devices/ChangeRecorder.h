#pragma once

// Records the changes a device service reports, and whether each came on its listener queue.
// The handler runs on the listener queue; tests read after draining it.

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
