#pragma once

// The system's default output device as the catalog saw it. An immutable value.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "devices/AudioDeviceFormat.h"
#include "devices/HashCombine.h"
#include "platform/CoreAudioTypes.h"

struct AudioOutputDevice {
  // Valid only while the device is attached.
  AudioObjectID id = 0;
  std::string uid;
  std::string name;
  // 0 when unreadable.
  double nominalSampleRate = 0;
  // The output streams' format; absent when unknown or when they disagree.
  std::optional<AudioDeviceFormat> physicalFormat;
  // 0 when unreadable.
  std::uint32_t bufferFrameSize = 0;
  bool isAlive = false;

  bool operator==(const AudioOutputDevice&) const = default;
};

template <>
struct std::hash<AudioOutputDevice> {
  std::size_t operator()(const AudioOutputDevice& device) const noexcept {
    std::size_t seed = 0;
    hashField(seed, device.id);
    hashField(seed, device.uid);
    hashField(seed, device.name);
    hashField(seed, device.nominalSampleRate);
    hashField(seed, device.physicalFormat);
    hashField(seed, device.bufferFrameSize);
    hashField(seed, device.isAlive);
    return seed;
  }
};
