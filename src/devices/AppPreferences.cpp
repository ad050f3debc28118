#include "devices/AppPreferences.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr const char* kInputDeviceUIDKey = "inputDeviceUID";
constexpr const char* kLeftChannelKey = "leftChannel";
constexpr const char* kRightChannelKey = "rightChannel";
constexpr const char* kMutedKey = "muted";

// A stored index beyond int saturates rather than wrapping onto a small, plausible channel.
int channelIndex(std::int64_t stored) {
  return static_cast<int>(std::clamp<std::int64_t>(stored, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

}  // namespace

std::optional<std::string> AppPreferences::inputDeviceUID() const {
  return defaults.stringForKey(kInputDeviceUIDKey);
}

void AppPreferences::setInputDeviceUID(const std::optional<std::string>& uid) {
  if (uid) {
    defaults.setString(kInputDeviceUIDKey, *uid);
  } else {
    defaults.removeObject(kInputDeviceUIDKey);
  }
}

std::optional<std::pair<int, int>> AppPreferences::channelPair() const {
  if (!defaults.hasObject(kLeftChannelKey) || !defaults.hasObject(kRightChannelKey)) {
    return std::nullopt;
  }
  return std::pair{channelIndex(defaults.integerForKey(kLeftChannelKey)),
                   channelIndex(defaults.integerForKey(kRightChannelKey))};
}

void AppPreferences::setChannelPair(const std::optional<std::pair<int, int>>& pair) {
  if (pair) {
    defaults.setInteger(kLeftChannelKey, pair->first);
    defaults.setInteger(kRightChannelKey, pair->second);
  } else {
    defaults.removeObject(kLeftChannelKey);
    defaults.removeObject(kRightChannelKey);
  }
}

bool AppPreferences::isMuted() const {
  return defaults.boolForKey(kMutedKey);
}

void AppPreferences::setMuted(bool muted) {
  defaults.setBool(kMutedKey, muted);
}
