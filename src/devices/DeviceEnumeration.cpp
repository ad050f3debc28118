// Enumeration: the input devices that can be monitored, those left out for too few channels, and
// the default output, read afresh from the hardware on every call. Unreadable properties drop a
// device or fall back to neutral values.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "devices/AudioDeviceService.h"
#include "devices/DeviceNameCollation.h"
#include "devices/HardwareReads.h"

namespace {

int totalChannels(const std::vector<int>& counts) {
  int total = 0;
  for (const int count : counts) total += count;
  return total;
}

std::vector<AudioChannelPair> channelPairs(std::optional<std::pair<int, int>> preferred, int total,
                                           const std::vector<std::string>& names) {
  std::vector<std::pair<int, int>> pairs;
  if (preferred && preferred->first >= 0 && preferred->second >= 0 && preferred->first < total &&
      preferred->second < total && preferred->first != preferred->second) {
    pairs.push_back(*preferred);
  }
  for (int left = 0; left + 1 < total; left += 2) {
    const std::pair<int, int> adjacent{left, left + 1};
    if (std::find(pairs.begin(), pairs.end(), adjacent) == pairs.end()) {
      pairs.push_back(adjacent);
    }
  }
  std::vector<AudioChannelPair> channelPairs;
  for (const auto& [left, right] : pairs) {
    channelPairs.push_back({left, right, names[left], names[right]});
  }
  return channelPairs;
}

}  // namespace

std::vector<AudioObjectID> AudioDeviceService::deviceIDs() const {
  return readObjectIDList(hardware_, kAudioObjectSystemObject,
                          propertyAddress(kAudioHardwarePropertyDevices));
}

bool AudioDeviceService::isAudioServiceRunning() const {
  const auto address = propertyAddress(kAudioHardwarePropertyDevices);
  UInt32 size = 0;
  return hardware_.getPropertyDataSize(kAudioObjectSystemObject, &address, 0, nullptr, &size) !=
         kAudioHardwareNotRunningError;
}

std::vector<AudioObjectID> AudioDeviceService::streamIDs(AudioObjectID deviceID,
                                                         AudioObjectPropertyScope scope) const {
  return readObjectIDList(hardware_, deviceID, propertyAddress(kAudioDevicePropertyStreams, scope));
}

std::vector<int> AudioDeviceService::streamChannelCounts(AudioObjectID deviceID,
                                                         AudioObjectPropertyScope scope) const {
  const auto address = propertyAddress(kAudioDevicePropertyStreamConfiguration, scope);
  // Beyond this size the configuration holds more buffers than a readable device has channels;
  // refusing it also keeps a lying size from costing a huge allocation.
  constexpr std::size_t kLargestReadable = AudioBufferListByteSize(kMaximumTotalChannels);
  UInt32 size = 0;
  if (hardware_.getPropertyDataSize(deviceID, &address, 0, nullptr, &size) != noErr ||
      size < sizeof(AudioBufferList) || size > kLargestReadable) {
    return {};
  }
  std::vector<std::byte> configuration(size);
  if (hardware_.getPropertyData(deviceID, &address, 0, nullptr, &size, configuration.data()) !=
          noErr ||
      size < offsetof(AudioBufferList, mBuffers)) {
    return {};
  }
  // A value that grew since the size query reports its new size; only the allocation is ours.
  size = std::min<UInt32>(size, static_cast<UInt32>(configuration.size()));

  // Only the buffers that the delivered bytes hold are read, whatever mNumberBuffers claims.
  UInt32 claimed = 0;
  std::memcpy(&claimed, configuration.data() + offsetof(AudioBufferList, mNumberBuffers),
              sizeof claimed);
  const std::size_t held = (size - offsetof(AudioBufferList, mBuffers)) / sizeof(AudioBuffer);
  const std::size_t buffers = std::min<std::size_t>(claimed, held);

  std::vector<int> counts;
  int total = 0;
  for (std::size_t index = 0; index < buffers; ++index) {
    UInt32 channels = 0;
    std::memcpy(&channels,
                configuration.data() + offsetof(AudioBufferList, mBuffers) +
                    index * sizeof(AudioBuffer) + offsetof(AudioBuffer, mNumberChannels),
                sizeof channels);
    const auto count = static_cast<std::int32_t>(channels);
    if (count < 0 || count > kMaximumChannelsPerBuffer) return {};
    total += count;
    if (total > kMaximumTotalChannels) return {};
    counts.push_back(count);
  }
  return counts;
}

std::optional<std::pair<int, int>> AudioDeviceService::preferredStereoChannels(
    AudioObjectID deviceID) const {
  const auto address = propertyAddress(kAudioDevicePropertyPreferredChannelsForStereo,
                                       kAudioObjectPropertyScopeInput);
  if (!hardware_.hasProperty(deviceID, &address)) return std::nullopt;
  struct ChannelNumbers {
    UInt32 first;
    UInt32 second;
  };
  const auto channels = readValue<ChannelNumbers>(hardware_, deviceID, address);
  if (!channels || channels->first == 0 || channels->second == 0) return std::nullopt;
  // The hardware counts channels from 1.
  return std::pair{static_cast<int>(channels->first - 1), static_cast<int>(channels->second - 1)};
}

std::optional<AudioDeviceFormat> AudioDeviceService::physicalFormat(
    AudioObjectID deviceID, AudioObjectPropertyScope scope) const {
  const auto address = propertyAddress(kAudioStreamPropertyPhysicalFormat);
  std::vector<AudioDeviceFormat> formats;
  for (const AudioObjectID stream : streamIDs(deviceID, scope)) {
    if (!hardware_.hasProperty(stream, &address)) continue;
    const auto description = readValue<AudioStreamBasicDescription>(hardware_, stream, address);
    if (!description || description->mFormatID != kAudioFormatLinearPCM ||
        description->mBitsPerChannel == 0) {
      continue;
    }
    const AudioDeviceFormat format{description->mBitsPerChannel,
                                   (description->mFormatFlags & kAudioFormatFlagIsFloat) != 0};
    if (std::find(formats.begin(), formats.end(), format) == formats.end()) {
      formats.push_back(format);
    }
  }
  if (formats.size() != 1) return std::nullopt;
  return formats.front();
}

std::uint32_t AudioDeviceService::bufferFrameSize(AudioObjectID deviceID) const {
  const UInt32 fixed =
      readValue<UInt32>(hardware_, deviceID, propertyAddress(kAudioDevicePropertyBufferFrameSize))
          .value_or(0);
  const auto variable = readValue<UInt32>(
      hardware_, deviceID, propertyAddress(kAudioDevicePropertyUsesVariableBufferFrameSizes));
  return variable && *variable > fixed ? *variable : fixed;
}

double AudioDeviceService::nominalSampleRate(AudioObjectID deviceID) const {
  return readValue<Float64>(hardware_, deviceID,
                            propertyAddress(kAudioDevicePropertyNominalSampleRate))
      .value_or(0.0);
}

bool AudioDeviceService::isAlive(AudioObjectID deviceID) const {
  return readValue<UInt32>(hardware_, deviceID, propertyAddress(kAudioDevicePropertyDeviceIsAlive))
             .value_or(0) != 0;
}

std::optional<AudioInputDevice> AudioDeviceService::inputDevice(
    AudioObjectID deviceID, std::vector<LeftOutInput>& leftOut) const {
  const auto counts = streamChannelCounts(deviceID, kAudioObjectPropertyScopeInput);
  if (counts.empty()) return std::nullopt;
  auto uid = readText(hardware_, deviceID, propertyAddress(kAudioDevicePropertyDeviceUID));
  if (!uid) return std::nullopt;
  auto name = readText(hardware_, deviceID, propertyAddress(kAudioObjectPropertyName));
  if (!name) return std::nullopt;
  const int total = totalChannels(counts);
  if (total < 2) {
    // A mono microphone is a real input the user may have just plugged in: it is told why it is
    // missing from the picker rather than dropped without a word.
    leftOut.push_back({std::move(*uid), std::move(*name),
                       std::to_string(total) + (total == 1 ? " input channel" : " input channels") +
                           "; monitoring needs a stereo pair"});
    return std::nullopt;
  }

  std::vector<std::string> channelNames;
  for (int channel = 1; channel <= total; ++channel) {
    const auto address =
        propertyAddress(kAudioObjectPropertyElementName, kAudioObjectPropertyScopeInput,
                        static_cast<AudioObjectPropertyElement>(channel));
    channelNames.push_back(
        readText(hardware_, deviceID, address).value_or("Input " + std::to_string(channel)));
  }
  auto pairs = channelPairs(preferredStereoChannels(deviceID), total, channelNames);

  return AudioInputDevice{
      .id = deviceID,
      .uid = std::move(*uid),
      .name = std::move(*name),
      .channelNames = std::move(channelNames),
      .channelPairs = std::move(pairs),
      .nominalSampleRate = nominalSampleRate(deviceID),
      .physicalFormat = physicalFormat(deviceID, kAudioObjectPropertyScopeInput),
      .bufferFrameSize = bufferFrameSize(deviceID),
      .isAlive = isAlive(deviceID),
  };
}

AudioDeviceService::InputCatalog AudioDeviceService::inputCatalog() const {
  InputCatalog catalog;
  for (const AudioObjectID deviceID : deviceIDs()) {
    if (auto device = inputDevice(deviceID, catalog.leftOut)) {
      catalog.usable.push_back(std::move(*device));
    }
  }
  DeviceNameCollation::forUserLocale().sortByName(catalog.usable);
  return catalog;
}

std::optional<AudioOutputDevice> AudioDeviceService::defaultOutputDevice() const {
  const auto deviceID =
      readValue<AudioObjectID>(hardware_, kAudioObjectSystemObject,
                               propertyAddress(kAudioHardwarePropertyDefaultOutputDevice));
  if (!deviceID || *deviceID == kAudioObjectUnknown) return std::nullopt;
  if (totalChannels(streamChannelCounts(*deviceID, kAudioObjectPropertyScopeOutput)) < 1) {
    return std::nullopt;
  }
  auto uid = readText(hardware_, *deviceID, propertyAddress(kAudioDevicePropertyDeviceUID));
  if (!uid) return std::nullopt;
  auto name = readText(hardware_, *deviceID, propertyAddress(kAudioObjectPropertyName));
  if (!name) return std::nullopt;

  return AudioOutputDevice{
      .id = *deviceID,
      .uid = std::move(*uid),
      .name = std::move(*name),
      .nominalSampleRate = nominalSampleRate(*deviceID),
      .physicalFormat = physicalFormat(*deviceID, kAudioObjectPropertyScopeOutput),
      .bufferFrameSize = bufferFrameSize(*deviceID),
      .isAlive = isAlive(*deviceID),
  };
}
