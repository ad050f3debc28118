#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/CFString.h"
#include "platform/HardwarePropertyPort.h"

// Property reads through the port, the way the device catalog makes them.
namespace pipewire_test {

inline AudioObjectPropertyAddress address(
    AudioObjectPropertySelector selector,
    AudioObjectPropertyScope scope = kAudioObjectPropertyScopeGlobal,
    AudioObjectPropertyElement element = 0) {
  return {selector, scope, element};
}

template <typename T>
std::optional<T> readValue(HardwarePropertyPort& port, AudioObjectID object,
                           AudioObjectPropertyAddress where) {
  T value{};
  UInt32 size = sizeof(T);
  if (port.getPropertyData(object, &where, 0, nullptr, &size, &value) != noErr) return std::nullopt;
  return value;
}

inline std::optional<std::string> readText(HardwarePropertyPort& port, AudioObjectID object,
                                           AudioObjectPropertyAddress where) {
  if (!port.hasProperty(object, &where)) return std::nullopt;
  auto string = readValue<CFStringRef>(port, object, where);
  if (!string || *string == nullptr) return std::nullopt;
  ScopedCFString owned(*string);
  return owned->utf8;
}

inline std::vector<AudioObjectID> readIDs(HardwarePropertyPort& port, AudioObjectID object,
                                          AudioObjectPropertyAddress where) {
  UInt32 size = 0;
  if (port.getPropertyDataSize(object, &where, 0, nullptr, &size) != noErr) return {};
  std::vector<AudioObjectID> ids(size / sizeof(AudioObjectID));
  if (ids.empty() || port.getPropertyData(object, &where, 0, nullptr, &size, ids.data()) != noErr) {
    return {};
  }
  return ids;
}

inline std::vector<AudioObjectID> devices(HardwarePropertyPort& port) {
  return readIDs(port, kAudioObjectSystemObject, address(kAudioHardwarePropertyDevices));
}

inline AudioObjectID deviceWithUID(HardwarePropertyPort& port, const std::string& uid) {
  for (AudioObjectID id : devices(port)) {
    if (readText(port, id, address(kAudioDevicePropertyDeviceUID)) == uid) return id;
  }
  return kAudioObjectUnknown;
}

// Channels per stream in the given scope, as the stream configuration states them.
inline std::vector<UInt32> streamChannels(HardwarePropertyPort& port, AudioObjectID device,
                                          AudioObjectPropertyScope scope) {
  auto where = address(kAudioDevicePropertyStreamConfiguration, scope);
  UInt32 size = 0;
  if (port.getPropertyDataSize(device, &where, 0, nullptr, &size) != noErr) return {};
  std::vector<unsigned char> bytes(std::max<std::size_t>(size, sizeof(AudioBufferList)));
  if (port.getPropertyData(device, &where, 0, nullptr, &size, bytes.data()) != noErr) return {};
  const auto* list = reinterpret_cast<const AudioBufferList*>(bytes.data());
  std::vector<UInt32> channels;
  for (UInt32 i = 0; i < list->mNumberBuffers; ++i)
    channels.push_back(list->mBuffers[i].mNumberChannels);
  return channels;
}

// Polls until the condition holds or two seconds pass; answers whether it held.
template <typename Condition>
bool eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace pipewire_test
