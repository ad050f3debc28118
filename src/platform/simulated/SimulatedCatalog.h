#pragma once

// The simulated hardware-property service: the system object, its devices and their streams,
// answered with the platform's byte layouts, with change notifications and injected failures.
//
// Threads: reads, mutations, fault injection and listener installation may come from any thread;
// one mutex guards the model. Notifications are submitted to each listener's queue while that
// mutex is held, so once removal returns nothing more reaches the removed listener's queue; the
// queues must therefore run work on a thread of their own, never inline.

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/HardwarePropertyPort.h"
#include "platform/simulated/SimulatedCatalogDevice.h"
#include "platform/simulated/SimulatedPropertyFault.h"

class SimulatedCatalog final : public HardwarePropertyPort {
 public:
  // Listener addresses may use these to match every scope or element.
  static constexpr AudioObjectPropertyScope kScopeWildcard = FourCharCode("****");
  static constexpr AudioObjectPropertyElement kElementWildcard = 0xFFFFFFFF;

  struct InstalledListener {
    AudioObjectID objectID;
    AudioObjectPropertyAddress address;
    DispatchQueue* queue;
  };

  // HardwarePropertyPort.
  bool hasProperty(AudioObjectID object, const AudioObjectPropertyAddress* address) override;
  OSStatus getPropertyDataSize(AudioObjectID object, const AudioObjectPropertyAddress* address,
                               UInt32 qualifierDataSize, const void* qualifierData,
                               UInt32* outDataSize) override;
  OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress* address,
                           UInt32 qualifierDataSize, const void* qualifierData, UInt32* ioDataSize,
                           void* outData) override;
  OSStatus addPropertyListenerBlock(AudioObjectID object, const AudioObjectPropertyAddress* address,
                                    DispatchQueue* queue,
                                    AudioObjectPropertyListenerBlock listener) override;
  OSStatus removePropertyListenerBlock(AudioObjectID object,
                                       const AudioObjectPropertyAddress* address,
                                       DispatchQueue* queue,
                                       AudioObjectPropertyListenerBlock listener) override;

  // Mutations. Each notifies the listeners of every address it changes. Identifiers are never
  // reused within one catalog; naming an unknown device or stream throws std::out_of_range.
  AudioObjectID addDevice(const SimulatedCatalogDevice& device);
  void removeDevice(AudioObjectID device);
  // Any identifier, 0 and unknown ones included, so that a dangling default can be simulated.
  void setDefaultOutputDevice(AudioObjectID device);
  void setNominalSampleRate(AudioObjectID device, std::optional<Float64> rate);
  void setBufferFrameSize(AudioObjectID device, std::optional<UInt32> frames);
  void setVariableBufferFrameSize(AudioObjectID device, std::optional<UInt32> frames);
  void setAlive(AudioObjectID device, bool isAlive);
  void setUID(AudioObjectID device, std::optional<std::string> uid);
  void setName(AudioObjectID device, std::optional<std::string> name);
  // `channel` counts from 1.
  void setInputChannelName(AudioObjectID device, UInt32 channel, std::optional<std::string> name);
  void setPreferredStereoChannels(AudioObjectID device, std::optional<std::array<UInt32, 2>> pair);
  // Replaces the streams of one scope with new stream objects.
  void setStreams(AudioObjectID device, AudioObjectPropertyScope scope,
                  const std::vector<SimulatedStream>& streams);
  void setStreamChannelCount(AudioObjectID stream, UInt32 channels);
  void setPhysicalFormat(AudioObjectID stream, std::optional<AudioStreamBasicDescription> format);
  // Notifies a change of `address` without changing a value ("diff", "stpd").
  void signal(AudioObjectID object, AudioObjectPropertyAddress address);

  // Failure injection, per exact (object, selector, scope, element).
  void injectFault(AudioObjectID object, AudioObjectPropertyAddress address,
                   SimulatedPropertyFault fault);
  void failListenerInstallation(AudioObjectID object, AudioObjectPropertyAddress address,
                                OSStatus status);
  void clearFaults();

  // Inspection.
  std::optional<SimulatedCatalogDevice> device(AudioObjectID device) const;
  std::vector<AudioObjectID> devices() const;
  AudioObjectID defaultOutputDevice() const;
  std::vector<AudioObjectID> streams(AudioObjectID device, AudioObjectPropertyScope scope) const;
  std::vector<InstalledListener> installedListeners() const;
  std::size_t installedListenerCount() const;

 private:
  struct StreamState {
    AudioObjectID device;
    AudioObjectPropertyScope scope;
    SimulatedStream stream;
  };
  struct DeviceState {
    SimulatedCatalogDevice description;  // its stream lists are kept in streams_ instead
    std::vector<AudioObjectID> inputStreams;
    std::vector<AudioObjectID> outputStreams;
  };
  struct Listener {
    AudioObjectID objectID;
    AudioObjectPropertyAddress address;
    DispatchQueue* queue;
    AudioObjectPropertyListenerBlock block;
  };
  struct Change {
    AudioObjectID objectID;
    AudioObjectPropertyAddress address;
  };
  // One property's value in the platform's layout.
  struct Value {
    enum class Shape { fixed, list, text } shape = Shape::fixed;
    std::vector<std::byte> bytes;
    std::string text;
  };
  using Key = std::tuple<AudioObjectID, AudioObjectPropertySelector, AudioObjectPropertyScope,
                         AudioObjectPropertyElement>;

  static Key keyOf(AudioObjectID object, const AudioObjectPropertyAddress& address);
  bool objectExists(AudioObjectID object) const;
  // The value at `address`, or the status that explains why there is none.
  OSStatus lookUp(AudioObjectID object, const AudioObjectPropertyAddress& address,
                  Value& value) const;
  OSStatus lookUpSystem(const AudioObjectPropertyAddress& address, Value& value) const;
  OSStatus lookUpDevice(const DeviceState& device, const AudioObjectPropertyAddress& address,
                        Value& value) const;
  OSStatus lookUpStream(const StreamState& stream, const AudioObjectPropertyAddress& address,
                        Value& value) const;
  const SimulatedPropertyFault* faultAt(AudioObjectID object,
                                        const AudioObjectPropertyAddress& address) const;
  DeviceState& deviceState(AudioObjectID device);
  std::vector<AudioObjectID>& streamList(DeviceState& device, AudioObjectPropertyScope scope);
  std::vector<AudioObjectID> makeStreams(AudioObjectID device, AudioObjectPropertyScope scope,
                                         const std::vector<SimulatedStream>& streams);
  void notify(const std::vector<Change>& changes);
  void notifyDevice(AudioObjectID device, AudioObjectPropertySelector selector,
                    AudioObjectPropertyScope scope = kAudioObjectPropertyScopeGlobal,
                    AudioObjectPropertyElement element = kAudioObjectPropertyElementMain);

  mutable std::mutex mutex_;  // guards every member below
  AudioObjectID nextID_ = kAudioObjectSystemObject + 1;
  std::map<AudioObjectID, DeviceState> devices_;  // identifiers grow, so map order is arrival order
  std::map<AudioObjectID, StreamState> streams_;
  AudioObjectID defaultOutput_ = kAudioObjectUnknown;
  std::map<Key, SimulatedPropertyFault> faults_;
  std::map<Key, OSStatus> listenerFaults_;
  std::vector<Listener> listeners_;  // installation order
};
