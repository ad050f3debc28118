// What arrives from outside the program. Every fuzz target shares this entry point and hands the
// input to the one reader that VX_FUZZ_READER names.

#include <spa/pod/pod.h>
#include <spa/utils/dict.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <array>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/SettingsKeyValueStore.h"
#include "devices/AppPreferences.h"
#include "platform/CFString.h"
#include "platform/pipewire/ChannelPositions.h"
#include "platform/pipewire/DefaultNodeName.h"
#include "platform/pipewire/DeviceMirror.h"
#include "platform/pipewire/NodeFormat.h"
#include "platform/pipewire/NodeProperties.h"

// The "default" metadata's value for the default sink, as any client may have written it.
void readDefaultNode(const std::string& input) {
  static_cast<void>(defaultNodeName(input.c_str()));
}

// A node's EnumFormat parameter as the registry delivers it: any pod that fits its own size.
void readNodeFormat(const std::string& input) {
  std::vector<std::uint64_t> aligned(input.size() / 8 + 1);  // pods arrive 8-byte aligned
  std::memcpy(aligned.data(), input.data(), input.size());
  const auto* pod = reinterpret_cast<const spa_pod*>(aligned.data());
  if (input.size() >= sizeof(spa_pod) && SPA_POD_SIZE(pod) <= input.size())
    static_cast<void>(parseNodeFormat(pod));
}

// A node's property dictionary, its values in a fixed key order separated by NUL bytes, then
// every property read of the device it becomes.
void readNodeProperties(const std::string& input) {
  constexpr std::array kKeys = {"node.name",      "node.description", "media.class",
                                "audio.channels", "audio.position",   "audio.rate"};
  std::array<std::string, kKeys.size()> values;
  std::vector<spa_dict_item> items;
  std::istringstream in(input);
  for (std::size_t i = 0; i < kKeys.size() && std::getline(in, values[i], '\0'); ++i)
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
}

// The saved settings file, whatever is in it, read back through the store and the preferences.
void readSavedSettings(const std::string& input) {
  static const QString path =
      QDir::tempPath() + QStringLiteral("/vx-fuzz-settings-%1.ini").arg(::getpid());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  file.write(input.data(), static_cast<qint64>(input.size()));
  file.close();
  SettingsKeyValueStore store(path);
  const AppPreferences preferences{store};
  static_cast<void>(preferences.inputDeviceUID());
  static_cast<void>(preferences.channelPair());
  static_cast<void>(preferences.isMuted());
  static_cast<void>(preferences.isLowLatency());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  VX_FUZZ_READER(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
