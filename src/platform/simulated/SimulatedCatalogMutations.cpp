// Changes to the simulated hardware, each announced to the listeners of what it changed.

#include <stdexcept>

#include "platform/simulated/SimulatedCatalog.h"

SimulatedCatalog::DeviceState& SimulatedCatalog::deviceState(AudioObjectID device) {
  const auto found = devices_.find(device);
  if (found == devices_.end()) throw std::out_of_range("no such simulated device");
  return found->second;
}

std::vector<AudioObjectID>& SimulatedCatalog::streamList(DeviceState& device,
                                                         AudioObjectPropertyScope scope) {
  if (scope == kAudioObjectPropertyScopeInput) return device.inputStreams;
  if (scope == kAudioObjectPropertyScopeOutput) return device.outputStreams;
  throw std::out_of_range("streams have an input or an output scope");
}

std::vector<AudioObjectID> SimulatedCatalog::makeStreams(
    AudioObjectID device, AudioObjectPropertyScope scope,
    const std::vector<SimulatedStream>& streams) {
  std::vector<AudioObjectID> identifiers;
  for (const SimulatedStream& stream : streams) {
    const AudioObjectID identifier = nextID_++;
    streams_.emplace(identifier, StreamState{device, scope, stream});
    identifiers.push_back(identifier);
  }
  return identifiers;
}

void SimulatedCatalog::notifyDevice(AudioObjectID device, AudioObjectPropertySelector selector,
                                    AudioObjectPropertyScope scope,
                                    AudioObjectPropertyElement element) {
  notify({{device, {selector, scope, element}}});
}

AudioObjectID SimulatedCatalog::addDevice(const SimulatedCatalogDevice& device) {
  std::lock_guard lock(mutex_);
  const AudioObjectID identifier = nextID_++;
  DeviceState state{device, {}, {}};
  state.description.inputStreams.clear();
  state.description.outputStreams.clear();
  state.inputStreams = makeStreams(identifier, kAudioObjectPropertyScopeInput, device.inputStreams);
  state.outputStreams =
      makeStreams(identifier, kAudioObjectPropertyScopeOutput, device.outputStreams);
  devices_.emplace(identifier, std::move(state));
  notifyDevice(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  return identifier;
}

void SimulatedCatalog::removeDevice(AudioObjectID device) {
  std::lock_guard lock(mutex_);
  DeviceState& state = deviceState(device);
  for (const AudioObjectID stream : state.inputStreams) streams_.erase(stream);
  for (const AudioObjectID stream : state.outputStreams) streams_.erase(stream);
  devices_.erase(device);
  std::vector<Change> changes{{kAudioObjectSystemObject,
                               {kAudioHardwarePropertyDevices, kAudioObjectPropertyScopeGlobal,
                                kAudioObjectPropertyElementMain}}};
  if (defaultOutput_ == device) {
    defaultOutput_ = kAudioObjectUnknown;
    changes.push_back({kAudioObjectSystemObject,
                       {kAudioHardwarePropertyDefaultOutputDevice, kAudioObjectPropertyScopeGlobal,
                        kAudioObjectPropertyElementMain}});
  }
  changes.push_back({device,
                     {kAudioDevicePropertyDeviceIsAlive, kAudioObjectPropertyScopeGlobal,
                      kAudioObjectPropertyElementMain}});
  notify(changes);
}

void SimulatedCatalog::setDefaultOutputDevice(AudioObjectID device) {
  std::lock_guard lock(mutex_);
  defaultOutput_ = device;
  notifyDevice(kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice);
}

void SimulatedCatalog::setNominalSampleRate(AudioObjectID device, std::optional<Float64> rate) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.nominalSampleRate = rate;
  notifyDevice(device, kAudioDevicePropertyNominalSampleRate);
}

void SimulatedCatalog::setBufferFrameSize(AudioObjectID device, std::optional<UInt32> frames) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.bufferFrameSize = frames;
  notifyDevice(device, kAudioDevicePropertyBufferFrameSize);
}

void SimulatedCatalog::setVariableBufferFrameSize(AudioObjectID device,
                                                  std::optional<UInt32> frames) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.variableBufferFrameSize = frames;
  notifyDevice(device, kAudioDevicePropertyUsesVariableBufferFrameSizes);
}

void SimulatedCatalog::setAlive(AudioObjectID device, bool isAlive) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.isAlive = isAlive;
  notifyDevice(device, kAudioDevicePropertyDeviceIsAlive);
}

void SimulatedCatalog::setUID(AudioObjectID device, std::optional<std::string> uid) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.uid = std::move(uid);
  notifyDevice(device, kAudioDevicePropertyDeviceUID);
}

void SimulatedCatalog::setName(AudioObjectID device, std::optional<std::string> name) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.name = std::move(name);
  notifyDevice(device, kAudioObjectPropertyName);
}

void SimulatedCatalog::setInputChannelName(AudioObjectID device, UInt32 channel,
                                           std::optional<std::string> name) {
  if (channel == 0) throw std::out_of_range("channels count from 1");
  std::lock_guard lock(mutex_);
  auto& names = deviceState(device).description.inputChannelNames;
  if (names.size() < channel) names.resize(channel);
  names[channel - 1] = std::move(name);
  notifyDevice(device, kAudioObjectPropertyElementName, kAudioObjectPropertyScopeInput, channel);
}

void SimulatedCatalog::setPreferredStereoChannels(AudioObjectID device,
                                                  std::optional<std::array<UInt32, 2>> pair) {
  std::lock_guard lock(mutex_);
  deviceState(device).description.preferredStereoChannels = pair;
  notifyDevice(device, kAudioDevicePropertyPreferredChannelsForStereo,
               kAudioObjectPropertyScopeInput);
}

void SimulatedCatalog::setStreams(AudioObjectID device, AudioObjectPropertyScope scope,
                                  const std::vector<SimulatedStream>& streams) {
  std::lock_guard lock(mutex_);
  auto& list = streamList(deviceState(device), scope);
  for (const AudioObjectID stream : list) streams_.erase(stream);
  list = makeStreams(device, scope, streams);
  notify(
      {{device, {kAudioDevicePropertyStreamConfiguration, scope, kAudioObjectPropertyElementMain}},
       {device, {kAudioDevicePropertyStreams, scope, kAudioObjectPropertyElementMain}}});
}

void SimulatedCatalog::setStreamChannelCount(AudioObjectID stream, UInt32 channels) {
  std::lock_guard lock(mutex_);
  StreamState& state = streams_.at(stream);
  state.stream.channelCount = channels;
  notifyDevice(state.device, kAudioDevicePropertyStreamConfiguration, state.scope);
}

void SimulatedCatalog::setPhysicalFormat(AudioObjectID stream,
                                         std::optional<AudioStreamBasicDescription> format) {
  std::lock_guard lock(mutex_);
  streams_.at(stream).stream.physicalFormat = format;
  notifyDevice(stream, kAudioStreamPropertyPhysicalFormat);
}

void SimulatedCatalog::signal(AudioObjectID object, AudioObjectPropertyAddress address) {
  std::lock_guard lock(mutex_);
  notify({{object, address}});
}

std::optional<SimulatedCatalogDevice> SimulatedCatalog::device(AudioObjectID device) const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(device);
  if (found == devices_.end()) return std::nullopt;
  SimulatedCatalogDevice description = found->second.description;
  for (const AudioObjectID stream : found->second.inputStreams) {
    description.inputStreams.push_back(streams_.at(stream).stream);
  }
  for (const AudioObjectID stream : found->second.outputStreams) {
    description.outputStreams.push_back(streams_.at(stream).stream);
  }
  return description;
}

std::vector<AudioObjectID> SimulatedCatalog::devices() const {
  std::lock_guard lock(mutex_);
  std::vector<AudioObjectID> identifiers;
  for (const auto& entry : devices_) identifiers.push_back(entry.first);
  return identifiers;
}

AudioObjectID SimulatedCatalog::defaultOutputDevice() const {
  std::lock_guard lock(mutex_);
  return defaultOutput_;
}

std::vector<AudioObjectID> SimulatedCatalog::streams(AudioObjectID device,
                                                     AudioObjectPropertyScope scope) const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(device);
  if (found == devices_.end()) return {};
  return scope == kAudioObjectPropertyScopeInput    ? found->second.inputStreams
         : scope == kAudioObjectPropertyScopeOutput ? found->second.outputStreams
                                                    : std::vector<AudioObjectID>{};
}
