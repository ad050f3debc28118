// The simulated catalog's property values, laid out as the platform lays them out.

#include <cstddef>
#include <cstring>

#include "platform/simulated/SimulatedCatalog.h"

namespace {

template <typename T>
void append(std::vector<std::byte>& bytes, const T& value) {
  const auto at = bytes.size();
  bytes.resize(at + sizeof(T));
  std::memcpy(bytes.data() + at, &value, sizeof(T));
}

bool isStreamScope(AudioObjectPropertyScope scope) {
  return scope == kAudioObjectPropertyScopeInput || scope == kAudioObjectPropertyScopeOutput;
}

}  // namespace

OSStatus SimulatedCatalog::lookUp(AudioObjectID object, const AudioObjectPropertyAddress& address,
                                  Value& value) const {
  if (object == kAudioObjectSystemObject) return lookUpSystem(address, value);
  if (const auto device = devices_.find(object); device != devices_.end()) {
    return lookUpDevice(device->second, address, value);
  }
  if (const auto stream = streams_.find(object); stream != streams_.end()) {
    return lookUpStream(stream->second, address, value);
  }
  return kAudioHardwareBadObjectError;
}

OSStatus SimulatedCatalog::lookUpSystem(const AudioObjectPropertyAddress& address,
                                        Value& value) const {
  if (address.mScope != kAudioObjectPropertyScopeGlobal ||
      address.mElement != kAudioObjectPropertyElementMain) {
    return kAudioHardwareUnknownPropertyError;
  }
  switch (address.mSelector) {
    case kAudioHardwarePropertyDevices:
      value.shape = Value::Shape::list;
      for (const auto& entry : devices_) append(value.bytes, entry.first);
      return noErr;
    case kAudioHardwarePropertyDefaultOutputDevice:
      append(value.bytes, defaultOutput_);
      return noErr;
    default:
      return kAudioHardwareUnknownPropertyError;
  }
}

OSStatus SimulatedCatalog::lookUpDevice(const DeviceState& device,
                                        const AudioObjectPropertyAddress& address,
                                        Value& value) const {
  const SimulatedCatalogDevice& description = device.description;
  const bool global = address.mScope == kAudioObjectPropertyScopeGlobal;
  const bool input = address.mScope == kAudioObjectPropertyScopeInput;

  if (address.mSelector == kAudioObjectPropertyElementName) {
    const auto& names = description.inputChannelNames;
    if (!input || address.mElement == 0 || address.mElement > names.size() ||
        !names[address.mElement - 1]) {
      return kAudioHardwareUnknownPropertyError;
    }
    value.shape = Value::Shape::text;
    value.text = *names[address.mElement - 1];
    return noErr;
  }
  if (address.mElement != kAudioObjectPropertyElementMain) {
    return kAudioHardwareUnknownPropertyError;
  }

  auto fixed = [&](const auto& optional) {
    if (!global || !optional) return kAudioHardwareUnknownPropertyError;
    append(value.bytes, *optional);
    return noErr;
  };
  auto text = [&](const std::optional<std::string>& optional) {
    if (!global || !optional) return kAudioHardwareUnknownPropertyError;
    value.shape = Value::Shape::text;
    value.text = *optional;
    return noErr;
  };

  switch (address.mSelector) {
    case kAudioDevicePropertyDeviceUID:
      return text(description.uid);
    case kAudioObjectPropertyName:
      return text(description.name);
    case kAudioDevicePropertyNominalSampleRate:
      return fixed(description.nominalSampleRate);
    case kAudioDevicePropertyBufferFrameSize:
      return fixed(description.bufferFrameSize);
    case kAudioDevicePropertyUsesVariableBufferFrameSizes:
      return fixed(description.variableBufferFrameSize);
    case kAudioDevicePropertyDeviceIsAlive:
      return fixed(std::optional<UInt32>(description.isAlive ? 1 : 0));
    case kAudioDevicePropertyPreferredChannelsForStereo:
      if (!input || !description.preferredStereoChannels) {
        return kAudioHardwareUnknownPropertyError;
      }
      append(value.bytes, (*description.preferredStereoChannels)[0]);
      append(value.bytes, (*description.preferredStereoChannels)[1]);
      return noErr;
    default:
      break;
  }

  if (!isStreamScope(address.mScope)) return kAudioHardwareUnknownPropertyError;
  const auto& streamIDs = input ? device.inputStreams : device.outputStreams;
  switch (address.mSelector) {
    case kAudioDevicePropertyStreams:
      value.shape = Value::Shape::list;
      for (const AudioObjectID stream : streamIDs) append(value.bytes, stream);
      return noErr;
    case kAudioDevicePropertyStreamConfiguration: {
      // An empty list still occupies the size of one buffer entry.
      const auto count = static_cast<UInt32>(streamIDs.size());
      value.bytes.assign(AudioBufferListByteSize(count), std::byte{0});
      std::memcpy(value.bytes.data() + offsetof(AudioBufferList, mNumberBuffers), &count,
                  sizeof count);
      for (UInt32 index = 0; index < count; ++index) {
        const AudioBuffer buffer{streams_.at(streamIDs[index]).stream.channelCount, 0, nullptr};
        std::memcpy(
            value.bytes.data() + offsetof(AudioBufferList, mBuffers) + index * sizeof(AudioBuffer),
            &buffer, sizeof buffer);
      }
      return noErr;
    }
    default:
      return kAudioHardwareUnknownPropertyError;
  }
}

OSStatus SimulatedCatalog::lookUpStream(const StreamState& stream,
                                        const AudioObjectPropertyAddress& address,
                                        Value& value) const {
  if (address.mSelector != kAudioStreamPropertyPhysicalFormat ||
      address.mScope != kAudioObjectPropertyScopeGlobal ||
      address.mElement != kAudioObjectPropertyElementMain || !stream.stream.physicalFormat) {
    return kAudioHardwareUnknownPropertyError;
  }
  append(value.bytes, *stream.stream.physicalFormat);
  return noErr;
}
