#include "platform/pipewire/DeviceMirror.h"

#include <algorithm>
#include <cstring>

#include "platform/CFString.h"
#include "platform/pipewire/ChannelPositions.h"

namespace {

template <typename T>
void store(std::vector<unsigned char>& bytes, const T& value) {
  bytes.resize(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
}

bool isList(AudioObjectPropertySelector selector) {
  return selector == kAudioHardwarePropertyDevices || selector == kAudioDevicePropertyStreams ||
         selector == kAudioDevicePropertyStreamConfiguration;
}

std::optional<UInt32> channelIndex(const std::vector<std::string>& positions,
                                   std::string_view position) {
  auto found = std::find(positions.begin(), positions.end(), position);
  if (found == positions.end()) return std::nullopt;
  return static_cast<UInt32>(found - positions.begin());
}

}  // namespace

AudioObjectID DeviceMirror::add(const MirroredNode& node, PropertyChanges& changes) {
  std::lock_guard lock(mutex_);
  AudioObjectID before = defaultOutputLocked();
  AudioObjectID id = nextID_;
  nextID_ += 2;
  devices_.emplace(id, Device{node, id + 1});
  changes.push_back({kAudioObjectSystemObject, kAudioHardwarePropertyDevices});
  if (defaultOutputLocked() != before) {
    changes.push_back({kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice});
  }
  return id;
}

void DeviceMirror::update(AudioObjectID device, const MirroredNode& node,
                          PropertyChanges& changes) {
  std::lock_guard lock(mutex_);
  auto found = devices_.find(device);
  if (found == devices_.end()) return;
  AudioObjectID defaultBefore = defaultOutputLocked();
  Observed before = observe(found->second.node);
  found->second.node = node;
  compare(device, found->second.stream, before, observe(node), changes);
  if (defaultOutputLocked() != defaultBefore) {
    changes.push_back({kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice});
  }
}

void DeviceMirror::remove(AudioObjectID device, PropertyChanges& changes) {
  std::lock_guard lock(mutex_);
  AudioObjectID defaultBefore = defaultOutputLocked();
  if (devices_.erase(device) == 0) return;
  changes.push_back({device, kAudioDevicePropertyDeviceIsAlive});
  changes.push_back({kAudioObjectSystemObject, kAudioHardwarePropertyDevices});
  if (defaultOutputLocked() != defaultBefore) {
    changes.push_back({kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice});
  }
}

void DeviceMirror::clear(PropertyChanges& changes) {
  std::vector<AudioObjectID> ids;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, device] : devices_) ids.push_back(id);
  }
  for (AudioObjectID id : ids) remove(id, changes);
}

void DeviceMirror::setDefaultSinkName(const std::string& name, PropertyChanges& changes) {
  std::lock_guard lock(mutex_);
  AudioObjectID before = defaultOutputLocked();
  defaultSinkName_ = name;
  if (defaultOutputLocked() != before) {
    changes.push_back({kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice});
  }
}

void DeviceMirror::setGraphClock(const GraphClock& clock, PropertyChanges& changes) {
  std::lock_guard lock(mutex_);
  std::vector<std::pair<const Device*, Observed>> before;
  for (const auto& [id, device] : devices_) before.emplace_back(&device, observe(device.node));
  clock_ = clock;
  for (const auto& [id, device] : devices_) {
    // A named pointer: clang 14 cannot capture a structured binding.
    const Device* const current = &device;
    auto previous = std::find_if(before.begin(), before.end(),
                                 [current](const auto& entry) { return entry.first == current; });
    compare(id, device.stream, previous->second, observe(device.node), changes);
  }
}

DeviceMirror::Observed DeviceMirror::observe(const MirroredNode& node) const {
  return Observed{node.hasInput ? node.channels : 0,
                  node.hasOutput ? node.channels : 0,
                  node.pinnedRate.value_or(clock_.rate),
                  clock_.quantum,
                  clock_.maximumQuantum,
                  !node.inError,
                  node.format};
}

void DeviceMirror::compare(AudioObjectID device, AudioObjectID stream, const Observed& before,
                           const Observed& after, PropertyChanges& changes) {
  if (before.inputChannels != after.inputChannels ||
      before.outputChannels != after.outputChannels) {
    changes.push_back({device, kAudioDevicePropertyStreamConfiguration});
    changes.push_back({device, kAudioDevicePropertyStreams});
  }
  if (before.rate != after.rate) changes.push_back({device, kAudioDevicePropertyNominalSampleRate});
  if (before.quantum != after.quantum) {
    changes.push_back({device, kAudioDevicePropertyBufferFrameSize});
  }
  if (before.maximumQuantum != after.maximumQuantum) {
    changes.push_back({device, kAudioDevicePropertyUsesVariableBufferFrameSizes});
  }
  if (before.alive != after.alive) changes.push_back({device, kAudioDevicePropertyDeviceIsAlive});
  if (before.format != after.format) {
    changes.push_back({stream, kAudioStreamPropertyPhysicalFormat});
  }
}

AudioObjectID DeviceMirror::defaultOutputLocked() const {
  for (const auto& [id, device] : devices_) {
    if (device.node.hasOutput && device.node.name == defaultSinkName_) return id;
  }
  return kAudioObjectUnknown;
}

const DeviceMirror::Device* DeviceMirror::deviceLocked(AudioObjectID object) const {
  auto found = devices_.find(object);
  return found == devices_.end() ? nullptr : &found->second;
}

const DeviceMirror::Device* DeviceMirror::deviceOfStreamLocked(AudioObjectID stream) const {
  auto found = devices_.find(stream - 1);
  return found != devices_.end() && found->second.stream == stream ? &found->second : nullptr;
}

OSStatus DeviceMirror::answer(AudioObjectID object, const AudioObjectPropertyAddress& address,
                              std::vector<unsigned char>& value, std::string& text, Answer& kind) {
  kind = Answer::value;
  const AudioObjectPropertySelector selector = address.mSelector;
  if (object == kAudioObjectSystemObject) {
    if (selector == kAudioHardwarePropertyDevices) {
      std::vector<AudioObjectID> ids;
      for (const auto& [id, device] : devices_) ids.push_back(id);
      value.resize(ids.size() * sizeof(AudioObjectID));
      if (!ids.empty()) std::memcpy(value.data(), ids.data(), value.size());
      return noErr;
    }
    if (selector == kAudioHardwarePropertyDefaultOutputDevice) {
      store(value, defaultOutputLocked());
      return noErr;
    }
    return kAudioHardwareUnknownPropertyError;
  }
  if (const Device* owner = deviceOfStreamLocked(object)) {
    if (selector != kAudioStreamPropertyPhysicalFormat) return kAudioHardwareUnknownPropertyError;
    const MirroredNode& node = owner->node;
    if (!node.format) return kAudioHardwareUnknownPropertyError;
    const SampleFormat& format = *node.format;
    const UInt32 bytes = format.bitsPerChannel == 24 ? 3 : format.bitsPerChannel / 8;
    const UInt32 frameBytes = format.isPlanar ? bytes : bytes * node.channels;
    AudioFormatFlags flags = kAudioFormatFlagIsPacked;
    if (format.isFloat) flags |= kAudioFormatFlagIsFloat;
    if (format.isPlanar) flags |= kAudioFormatFlagIsNonInterleaved;
    store(value, AudioStreamBasicDescription{node.pinnedRate.value_or(clock_.rate),
                                             kAudioFormatLinearPCM, flags, frameBytes, 1,
                                             frameBytes, node.channels, format.bitsPerChannel, 0});
    return noErr;
  }
  const Device* device = deviceLocked(object);
  if (device == nullptr) return kAudioHardwareBadObjectError;
  const MirroredNode& node = device->node;
  const bool input = address.mScope == kAudioObjectPropertyScopeInput;
  const bool output = address.mScope == kAudioObjectPropertyScopeOutput;
  const bool hasStream = (input && node.hasInput) || (output && node.hasOutput);
  switch (selector) {
    case kAudioDevicePropertyStreamConfiguration: {
      if (!input && !output) return kAudioHardwareUnknownPropertyError;
      value.assign(hasStream ? AudioBufferListByteSize(1) : offsetof(AudioBufferList, mBuffers), 0);
      auto* list = reinterpret_cast<AudioBufferList*>(value.data());
      list->mNumberBuffers = hasStream ? 1 : 0;
      if (hasStream) list->mBuffers[0] = AudioBuffer{node.channels, 0, nullptr};
      return noErr;
    }
    case kAudioDevicePropertyStreams:
      if (!input && !output) return kAudioHardwareUnknownPropertyError;
      if (hasStream) {
        store(value, device->stream);
      } else {
        value.clear();
      }
      return noErr;
    case kAudioDevicePropertyDeviceUID:
      kind = Answer::text;
      text = node.name;
      return noErr;
    case kAudioObjectPropertyName:
      kind = Answer::text;
      text = node.description;
      return noErr;
    case kAudioObjectPropertyElementName: {
      const UInt32 channel = address.mElement;
      if (channel == 0 || channel > node.channels || channel > node.positions.size()) {
        return kAudioHardwareUnknownPropertyError;
      }
      auto name = readableChannelName(node.positions[channel - 1]);
      if (!name) return kAudioHardwareUnknownPropertyError;
      kind = Answer::text;
      text = *name;
      return noErr;
    }
    case kAudioDevicePropertyPreferredChannelsForStereo: {
      auto left = channelIndex(node.positions, "FL");
      auto right = channelIndex(node.positions, "FR");
      if (!left || !right || *left >= node.channels || *right >= node.channels) {
        return kAudioHardwareUnknownPropertyError;
      }
      const UInt32 pair[2] = {*left + 1, *right + 1};
      store(value, pair);
      return noErr;
    }
    case kAudioDevicePropertyNominalSampleRate:
      store(value, Float64{node.pinnedRate.value_or(clock_.rate)});
      return noErr;
    case kAudioDevicePropertyBufferFrameSize:
      store(value, clock_.quantum);
      return noErr;
    case kAudioDevicePropertyUsesVariableBufferFrameSizes:
      store(value, clock_.maximumQuantum);
      return noErr;
    case kAudioDevicePropertyDeviceIsAlive:
      store(value, UInt32{node.inError ? 0u : 1u});
      return noErr;
    default:
      return kAudioHardwareUnknownPropertyError;
  }
}

bool DeviceMirror::hasProperty(AudioObjectID object, const AudioObjectPropertyAddress& address) {
  UInt32 size = 0;
  return dataSize(object, address, &size) == noErr;
}

OSStatus DeviceMirror::dataSize(AudioObjectID object, const AudioObjectPropertyAddress& address,
                                UInt32* outSize) {
  std::vector<unsigned char> value;
  std::string text;
  Answer kind = Answer::none;
  std::lock_guard lock(mutex_);
  OSStatus status = answer(object, address, value, text, kind);
  if (status != noErr) return status;
  *outSize = kind == Answer::text ? sizeof(CFStringRef) : static_cast<UInt32>(value.size());
  return noErr;
}

OSStatus DeviceMirror::data(AudioObjectID object, const AudioObjectPropertyAddress& address,
                            UInt32* ioSize, void* outData) {
  std::vector<unsigned char> value;
  std::string text;
  Answer kind = Answer::none;
  {
    std::lock_guard lock(mutex_);
    OSStatus status = answer(object, address, value, text, kind);
    if (status != noErr) return status;
  }
  if (kind == Answer::text) {
    if (*ioSize < sizeof(CFStringRef)) return kAudioHardwareBadPropertySizeError;
    CFStringRef string = CFStringCreateWithUTF8(text);
    std::memcpy(outData, &string, sizeof(string));
    *ioSize = sizeof(CFStringRef);
    return noErr;
  }
  if (*ioSize < value.size()) {
    if (!isList(address.mSelector)) return kAudioHardwareBadPropertySizeError;
    value.resize(*ioSize / sizeof(AudioObjectID) * sizeof(AudioObjectID));
  }
  if (!value.empty()) std::memcpy(outData, value.data(), value.size());
  *ioSize = static_cast<UInt32>(value.size());
  return noErr;
}

std::optional<StreamTarget> DeviceMirror::streamTarget(AudioObjectID device) {
  std::lock_guard lock(mutex_);
  const Device* found = deviceLocked(device);
  if (found == nullptr || found->node.inError) return std::nullopt;
  const MirroredNode& node = found->node;
  return StreamTarget{
      node.name,      node.channels, node.positions, node.pinnedRate.value_or(clock_.rate),
      clock_.quantum, clock_.rate,   node.hasInput,  node.hasOutput};
}
