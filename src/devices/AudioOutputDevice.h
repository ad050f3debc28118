#pragma once

// The system's default output device as the catalog saw it. An immutable value.

#include <cstdint>
#include <optional>
#include <string>

#include "devices/AudioDeviceFormat.h"
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
