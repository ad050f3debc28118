#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devices/HardwareReads.h"
#include "platform/HardwarePropertyPort.h"

// Property reads through the port, with the device catalog's own typed reads.
namespace pipewire_test {

inline std::vector<AudioObjectID> devices(HardwarePropertyPort& port) {
  return readObjectIDList(port, kAudioObjectSystemObject,
                          propertyAddress(kAudioHardwarePropertyDevices));
}

inline AudioObjectID deviceWithUID(HardwarePropertyPort& port, const std::string& uid) {
  for (AudioObjectID id : devices(port)) {
    if (readText(port, id, propertyAddress(kAudioDevicePropertyDeviceUID)) == uid) return id;
  }
  return kAudioObjectUnknown;
}

// Channels per stream in the given scope, as the stream configuration states them.
inline std::vector<UInt32> streamChannels(HardwarePropertyPort& port, AudioObjectID device,
                                          AudioObjectPropertyScope scope) {
  auto where = propertyAddress(kAudioDevicePropertyStreamConfiguration, scope);
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
