#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/HardwarePropertyPort.h"
#include "platform/SerialDispatchQueue.h"

// Listens to properties through the port on a serial queue of its own, and records each delivery
// with whether it ran on that queue.
namespace pipewire_test {

class NotificationRecorder {
 public:
  struct Delivery {
    AudioObjectID object;
    AudioObjectPropertySelector selector;
    bool onQueue;
  };

  explicit NotificationRecorder(HardwarePropertyPort& port) : port_(port) {}
  ~NotificationRecorder() {
    for (const Installed& entry : installed_) {
      port_.removePropertyListenerBlock(entry.object, &entry.address, &queue_, entry.block);
    }
    queue_.drain();
  }

  bool listen(AudioObjectID object, AudioObjectPropertySelector selector,
              AudioObjectPropertyScope scope = kAudioObjectPropertyScopeGlobal) {
    AudioObjectPropertyAddress where{selector, scope, 0};
    auto block = std::make_shared<const AudioObjectPropertyListenerFunction>(
        [this, object, selector](UInt32, const AudioObjectPropertyAddress*) {
          std::lock_guard lock(mutex_);
          deliveries_.push_back({object, selector, queue_.isCurrentThread()});
          arrived_.notify_all();
        });
    if (port_.addPropertyListenerBlock(object, &where, &queue_, block) != noErr) return false;
    installed_.push_back({object, where, block});
    return true;
  }

  // Waits up to two seconds until this selector on this object has been delivered `times` times.
  bool waitFor(AudioObjectID object, AudioObjectPropertySelector selector, std::size_t times = 1) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(2),
                             [&] { return countLocked(object, selector) >= times; });
  }

  std::vector<Delivery> deliveries() {
    std::lock_guard lock(mutex_);
    return deliveries_;
  }

 private:
  struct Installed {
    AudioObjectID object;
    AudioObjectPropertyAddress address;
    AudioObjectPropertyListenerBlock block;
  };

  std::size_t countLocked(AudioObjectID object, AudioObjectPropertySelector selector) const {
    std::size_t n = 0;
    for (const Delivery& delivery : deliveries_) {
      n += delivery.object == object && delivery.selector == selector ? 1 : 0;
    }
    return n;
  }

  HardwarePropertyPort& port_;
  SerialDispatchQueue queue_{"com.vexmora.monitor.tests.device-events"};
  std::vector<Installed> installed_;  // test thread only
  std::mutex mutex_;                  // guards deliveries_
  std::condition_variable arrived_;
  std::vector<Delivery> deliveries_;
};

}  // namespace pipewire_test
