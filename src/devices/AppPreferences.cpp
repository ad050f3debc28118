#include "devices/AppPreferences.h"

#include <cstdint>

#include "devices/AudioDeviceService.h"

namespace {

constexpr const char* kInputDeviceUIDKey = "inputDeviceUID";
constexpr const char* kLeftChannelKey = "leftChannel";
constexpr const char* kRightChannelKey = "rightChannel";
constexpr const char* kMutedKey = "muted";
constexpr const char* kLowLatencyKey = "lowLatency";

// Longer than any device identifier; such a value is damage, not a device that is away.
constexpr std::size_t kLongestUID = 4096;

// No device has a channel outside this range, so such a value can only come from a damaged file.
bool isChannelIndex(std::int64_t stored) {
  return stored >= 0 && stored < AudioDeviceService::kMaximumTotalChannels;
}

}  // namespace

std::optional<std::string> AppPreferences::inputDeviceUID() const {
  auto uid = defaults.stringForKey(kInputDeviceUIDKey);
  if (uid && uid->size() > kLongestUID) return std::nullopt;
  return uid;
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
  const std::int64_t left = defaults.integerForKey(kLeftChannelKey);
  const std::int64_t right = defaults.integerForKey(kRightChannelKey);
  // An impossible pair counts as none, so that the device's first pair is chosen instead.
  if (!isChannelIndex(left) || !isChannelIndex(right)) return std::nullopt;
  return std::pair{static_cast<int>(left), static_cast<int>(right)};
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

bool AppPreferences::isLowLatency() const {
  return defaults.boolForKey(kLowLatencyKey);
}

void AppPreferences::setLowLatency(bool low) {
  defaults.setBool(kLowLatencyKey, low);
}
