// A node's property dictionary, then every property read of the device it becomes. The input is
// the property values in a fixed key order, separated by NUL bytes.

#include <spa/utils/dict.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/CFString.h"
#include "platform/pipewire/ChannelPositions.h"
#include "platform/pipewire/DeviceMirror.h"
#include "platform/pipewire/NodeProperties.h"

namespace {

constexpr std::array<const char*, 6> kKeys = {"node.name",      "node.description", "media.class",
                                              "audio.channels", "audio.position",   "audio.rate"};

void readEveryProperty(DeviceMirror& mirror, AudioObjectID object) {
  static constexpr std::array<AudioObjectPropertySelector, 13> kSelectors = {
      kAudioObjectPropertyName,
      kAudioDevicePropertyDeviceUID,
      kAudioDevicePropertyStreams,
      kAudioDevicePropertyStreamConfiguration,
      kAudioDevicePropertyNominalSampleRate,
      kAudioDevicePropertyBufferFrameSize,
      kAudioDevicePropertyUsesVariableBufferFrameSizes,
      kAudioDevicePropertyDeviceIsAlive,
      kAudioDevicePropertyPreferredChannelsForStereo,
      kAudioObjectPropertyElementName,
      kAudioStreamPropertyPhysicalFormat,
      kAudioHardwarePropertyDevices,
      kAudioHardwarePropertyDefaultOutputDevice};
  for (const AudioObjectPropertySelector selector : kSelectors) {
    for (const AudioObjectPropertyScope scope :
         {kAudioObjectPropertyScopeGlobal, kAudioObjectPropertyScopeInput,
          kAudioObjectPropertyScopeOutput}) {
      for (const AudioObjectPropertyElement element : {0u, 1u, 2u, 64u, 0xFFFFFFFFu}) {
        const AudioObjectPropertyAddress address{selector, scope, element};
        if (!mirror.hasProperty(object, address)) continue;
        UInt32 size = 0;
        if (mirror.dataSize(object, address, &size) != noErr || size > (1u << 20)) continue;
        std::vector<unsigned char> value(size);
        if (mirror.data(object, address, &size, value.data()) != noErr) continue;
        if (selector == kAudioObjectPropertyName || selector == kAudioDevicePropertyDeviceUID ||
            selector == kAudioObjectPropertyElementName) {
          // Text answers hand over a reference the reader owns.
          CFStringRef text = nullptr;
          if (size == sizeof text) std::memcpy(&text, value.data(), sizeof text);
          CFRelease(text);
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::string, kKeys.size()> values;
  std::size_t field = 0;
  for (std::size_t i = 0; i < size && field < values.size(); ++i) {
    if (data[i] == 0) {
      ++field;
    } else {
      values[field].push_back(static_cast<char>(data[i]));
    }
  }
  std::vector<spa_dict_item> items;
  for (std::size_t i = 0; i <= field && i < values.size(); ++i) {
    items.push_back(SPA_DICT_ITEM_INIT(kKeys[i], values[i].c_str()));
  }
  const spa_dict dict = SPA_DICT_INIT(items.data(), static_cast<uint32_t>(items.size()));
  NodeProperties properties = parseNodeProperties(dict);
  for (const std::string& position : properties.positions) readableChannelName(position);

  MirroredNode node;
  node.name = properties.name;
  node.description = properties.description;
  node.hasInput = properties.hasInput;
  node.hasOutput = properties.hasOutput;
  node.channels = properties.channels != 0 ? properties.channels
                                           : static_cast<UInt32>(properties.positions.size());
  node.positions = properties.positions;
  node.pinnedRate = properties.pinnedRate;
  node.format = SampleFormat{32, true, true};
  DeviceMirror mirror;
  PropertyChanges changes;
  const AudioObjectID device = mirror.add(node, changes);
  if (properties.hasOutput) mirror.setDefaultSinkName(properties.name, changes);
  readEveryProperty(mirror, kAudioObjectSystemObject);
  readEveryProperty(mirror, device);
  static_cast<void>(mirror.streamTarget(device));
  for (const AudioObjectPropertyScope scope :
       {kAudioObjectPropertyScopeInput, kAudioObjectPropertyScopeOutput}) {
    std::array<AudioObjectID, 4> streams{};
    UInt32 bytes = sizeof streams;
    const AudioObjectPropertyAddress address{kAudioDevicePropertyStreams, scope, 0};
    if (mirror.data(device, address, &bytes, streams.data()) != noErr) continue;
    for (UInt32 i = 0; i < bytes / sizeof(AudioObjectID); ++i)
      readEveryProperty(mirror, streams[i]);
  }
  return 0;
}
