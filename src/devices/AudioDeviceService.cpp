#include "devices/AudioDeviceService.h"

#include <array>

#include "devices/HardwareReads.h"

namespace {

// The device properties watched on an observed device, in installation order; "slay" and "stm#"
// take the side's scope, the rest are global.
struct WatchedProperty {
  AudioObjectPropertySelector selector;
  bool takesSideScope;
};
constexpr std::array<WatchedProperty, 8> kWatchedDeviceProperties{{
    {kAudioDevicePropertyDeviceIsAlive, false},
    {kAudioDevicePropertyStreamConfiguration, true},
    {kAudioDevicePropertyStreams, true},
    {kAudioDevicePropertyNominalSampleRate, false},
    {kAudioDevicePropertyBufferFrameSize, false},
    {kAudioDevicePropertyUsesVariableBufferFrameSizes, false},
    {kAudioDevicePropertyDeviceHasChanged, false},
    {kAudioDevicePropertyIOStoppedAbnormally, false},
}};

}  // namespace

AudioDeviceService::AudioDeviceService(HardwarePropertyPort& hardware)
    : hardware_(hardware), listenerQueue_("com.vexmora.monitor.device-events") {}

AudioDeviceService::~AudioDeviceService() {
  remove(globalListeners_);
  remove(selectedDeviceListeners_);
  // Notifications still queued now find nothing to call; one already running keeps the target
  // alive until it returns, and draining waits for exactly that.
  listenerTarget_.reset();
  listenerQueue_.drain();
}

void AudioDeviceService::setChangeHandler(std::function<void(Change)> handler) {
  listenerTarget_->changeHandler = std::move(handler);
}

void AudioDeviceService::addListener(AudioObjectID objectID, AudioObjectPropertyAddress address,
                                     Change change,
                                     std::vector<ListenerRegistration>& registrations) {
  auto listener = std::make_shared<const AudioObjectPropertyListenerFunction>(
      [target = std::weak_ptr(listenerTarget_), change](UInt32, const AudioObjectPropertyAddress*) {
        const auto service = target.lock();
        if (service && service->changeHandler) service->changeHandler(change);
      });
  if (hardware_.addPropertyListenerBlock(objectID, &address, &listenerQueue_, listener) != noErr) {
    return;
  }
  registrations.push_back({objectID, address, std::move(listener)});
}

void AudioDeviceService::startListening() {
  if (isListening_) return;
  // Set first, so that a failed installation is not retried by a second call.
  isListening_ = true;
  addListener(kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDevices),
              Change::catalog, globalListeners_);
  addListener(kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDefaultOutputDevice),
              Change::defaultOutput, globalListeners_);
}

void AudioDeviceService::observeSelectedDevices(std::optional<AudioObjectID> input,
                                                std::optional<AudioObjectID> output) {
  remove(selectedDeviceListeners_);
  if (input) addDeviceListeners(*input, kAudioObjectPropertyScopeInput, selectedDeviceListeners_);
  if (output) {
    addDeviceListeners(*output, kAudioObjectPropertyScopeOutput, selectedDeviceListeners_);
  }
}

void AudioDeviceService::addDeviceListeners(AudioObjectID deviceID, AudioObjectPropertyScope scope,
                                            std::vector<ListenerRegistration>& registrations) {
  for (const WatchedProperty& property : kWatchedDeviceProperties) {
    const auto propertyScope = property.takesSideScope ? scope : kAudioObjectPropertyScopeGlobal;
    addListener(deviceID, propertyAddress(property.selector, propertyScope), Change::selectedDevice,
                registrations);
  }
  addStreamFormatListeners(deviceID, scope, registrations);
}

void AudioDeviceService::addStreamFormatListeners(
    AudioObjectID deviceID, AudioObjectPropertyScope scope,
    std::vector<ListenerRegistration>& registrations) {
  for (const AudioObjectID stream : streamIDs(deviceID, scope)) {
    addListener(stream, propertyAddress(kAudioStreamPropertyPhysicalFormat), Change::selectedDevice,
                registrations);
  }
}

void AudioDeviceService::remove(std::vector<ListenerRegistration>& registrations) {
  for (const ListenerRegistration& registration : registrations) {
    static_cast<void>(hardware_.removePropertyListenerBlock(
        registration.objectID, &registration.address, &listenerQueue_, registration.block));
  }
  registrations.clear();
}
