#include "platform/pipewire/PropertyListenerSet.h"

#include <algorithm>

void PropertyListenerSet::add(AudioObjectID object, const AudioObjectPropertyAddress& address,
                              DispatchQueue* queue, AudioObjectPropertyListenerBlock listener) {
  std::lock_guard lock(mutex_);
  registrations_.push_back({object, address, queue, std::move(listener)});
}

bool PropertyListenerSet::remove(AudioObjectID object, const AudioObjectPropertyAddress& address,
                                 DispatchQueue* queue,
                                 const AudioObjectPropertyListenerBlock& listener) {
  std::lock_guard lock(mutex_);
  auto found = std::find_if(registrations_.begin(), registrations_.end(), [&](const auto& entry) {
    return entry.object == object && entry.address == address && entry.queue == queue &&
           entry.listener == listener;
  });
  if (found == registrations_.end()) return false;
  registrations_.erase(found);
  return true;
}

void PropertyListenerSet::deliver(const PropertyChanges& changes) {
  // Queues are handed their work under the lock, so that once remove() returns no delivery can
  // still reach a listener or queue the caller is about to destroy. The lock is recursive for a
  // queue that runs work at once and whose listener installs or removes listeners.
  std::lock_guard lock(mutex_);
  std::vector<Registration> due;
  for (const PropertyChange& change : changes) {
    for (const Registration& entry : registrations_) {
      if (entry.object == change.object && entry.address.mSelector == change.selector) {
        due.push_back(entry);
      }
    }
  }
  for (Registration& entry : due) {
    entry.queue->async([listener = std::move(entry.listener), address = entry.address] {
      (*listener)(1, &address);
    });
  }
}
