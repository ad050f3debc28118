#pragma once

// One input-capable device as the catalog saw it. An immutable value: built once by enumeration,
// then copied between the catalog, the controller and the window.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/AudioChannelPair.h"
#include "devices/AudioDeviceFormat.h"
#include "platform/CoreAudioTypes.h"

struct AudioInputDevice {
  // Valid only while the device is attached; the list identity of the record.
  AudioObjectID id = 0;
  // Persistent identity: selections are saved and matched by it.
  std::string uid;
  std::string name;
  // Element 0 names channel 1.
  std::vector<std::string> channelNames;
  std::vector<AudioChannelPair> channelPairs;
  // 0 when unreadable.
  double nominalSampleRate = 0;
  // Absent when unknown or when the input streams disagree.
  std::optional<AudioDeviceFormat> physicalFormat;
  // 0 when unreadable.
  std::uint32_t bufferFrameSize = 0;
  bool isAlive = false;

  bool operator==(const AudioInputDevice&) const = default;
};
