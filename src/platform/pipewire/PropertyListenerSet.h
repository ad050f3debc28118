#pragma once

#include <mutex>
#include <vector>

#include "platform/HardwarePropertyPort.h"
#include "platform/pipewire/MirroredNode.h"

// The installed property listeners, and their delivery: each change goes to every listener on that
// object and selector, on the queue the listener was installed with. Installation and removal run
// on the caller's thread, delivery on the PipeWire thread; after remove() returns, that listener
// is handed nothing more.
class PropertyListenerSet {
 public:
  void add(AudioObjectID object, const AudioObjectPropertyAddress& address, DispatchQueue* queue,
           AudioObjectPropertyListenerBlock listener);
  bool remove(AudioObjectID object, const AudioObjectPropertyAddress& address, DispatchQueue* queue,
              const AudioObjectPropertyListenerBlock& listener);
  void deliver(const PropertyChanges& changes);

 private:
  struct Registration {
    AudioObjectID object;
    AudioObjectPropertyAddress address;
    DispatchQueue* queue;
    AudioObjectPropertyListenerBlock listener;
  };

  std::recursive_mutex mutex_;  // guards registrations_ and the hand-over to queues
  std::vector<Registration> registrations_;
};
