#pragma once

// The saved selection: input device UID, channel pair, mute state and route latency, kept in the
// application's key-value store. Holds no copy: every read and write goes straight to the store.
// Main thread only.

#include <optional>
#include <string>
#include <utility>

#include "platform/KeyValueStore.h"

struct AppPreferences {
  KeyValueStore& defaults;

  // Absent when nothing is saved or the value is too long to be an identifier; an absent value
  // removes the key.
  std::optional<std::string> inputDeviceUID() const;
  void setInputDeviceUID(const std::optional<std::string>& uid);

  // (left, right) channel indices counted from 0; present only when both keys hold a value and
  // both are channels a device can have.
  std::optional<std::pair<int, int>> channelPair() const;
  void setChannelPair(const std::optional<std::pair<int, int>>& pair);

  // False when nothing is saved.
  bool isMuted() const;
  void setMuted(bool muted);

  // The low-latency route; false when nothing is saved.
  bool isLowLatency() const;
  void setLowLatency(bool low);
};
