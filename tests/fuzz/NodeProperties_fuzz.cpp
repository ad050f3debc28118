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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::array kKeys = {"node.name",      "node.description", "media.class",
                                "audio.channels", "audio.position",   "audio.rate"};
  std::vector<std::string> values(1);
  for (std::size_t i = 0; i < size && values.size() <= kKeys.size(); ++i) {
    if (data[i] == 0)
      values.emplace_back();
    else
      values.back().push_back(static_cast<char>(data[i]));
  }
  std::vector<spa_dict_item> items;
  for (std::size_t i = 0; i < values.size() && i < kKeys.size(); ++i)
    items.push_back(SPA_DICT_ITEM_INIT(kKeys[i], values[i].c_str()));
  const spa_dict dict = SPA_DICT_INIT(items.data(), static_cast<uint32_t>(items.size()));
  const NodeProperties p = parseNodeProperties(dict);
  for (const std::string& position : p.positions) static_cast<void>(readableChannelName(position));

  const UInt32 channels = p.channels != 0 ? p.channels : static_cast<UInt32>(p.positions.size());
  DeviceMirror mirror;
  PropertyChanges changes;
  const AudioObjectID device =
      mirror.add({p.name, p.description, p.hasInput, p.hasOutput, channels, p.positions,
                  p.pinnedRate, SampleFormat{32, true, true}, false},
                 changes);
  if (p.hasOutput) mirror.setDefaultSinkName(p.name, changes);
  static_cast<void>(mirror.streamTarget(device));
  // The system object, the device and its stream.
  for (const AudioObjectID object : {AudioObjectID{kAudioObjectSystemObject}, device, device + 1}) {
    for (const AudioObjectPropertySelector selector :
         {kAudioObjectPropertyName, kAudioDevicePropertyDeviceUID, kAudioDevicePropertyStreams,
          kAudioDevicePropertyStreamConfiguration, kAudioDevicePropertyNominalSampleRate,
          kAudioDevicePropertyBufferFrameSize, kAudioDevicePropertyUsesVariableBufferFrameSizes,
          kAudioDevicePropertyDeviceIsAlive, kAudioDevicePropertyPreferredChannelsForStereo,
          kAudioObjectPropertyElementName, kAudioStreamPropertyPhysicalFormat,
          kAudioHardwarePropertyDevices, kAudioHardwarePropertyDefaultOutputDevice}) {
      for (const AudioObjectPropertyScope scope :
           {kAudioObjectPropertyScopeGlobal, kAudioObjectPropertyScopeInput,
            kAudioObjectPropertyScopeOutput}) {
        for (const AudioObjectPropertyElement element : {0u, 1u, 2u, 64u, 0xFFFFFFFFu}) {
          const AudioObjectPropertyAddress address{selector, scope, element};
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
  return 0;
}
