#pragma once

// The device catalog's one long-lived object: answers which input devices can be monitored (and
// which it leaves out, and why) and which device is the default output, and tells its owner
// through one handler that the hardware changed.
//
// Threads: every operation runs on the owner's (main) thread; listeners run on listenerQueue and
// touch only the shared handler state, never the registration lists.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devices/AudioDeviceFormat.h"
#include "devices/AudioInputDevice.h"
#include "devices/AudioOutputDevice.h"
#include "platform/HardwarePropertyPort.h"
#include "platform/SerialDispatchQueue.h"

class AudioDeviceService {
 public:
  enum class Change { catalog, defaultOutput, selectedDevice };

  struct ListenerRegistration {
    AudioObjectID objectID;
    AudioObjectPropertyAddress address;
    AudioObjectPropertyListenerBlock block;  // the very listener installed, for its removal
  };

  // Unreadable stream configurations: a single buffer or the whole device beyond these counts.
  static constexpr int kMaximumChannelsPerBuffer = 256;
  static constexpr int kMaximumTotalChannels = 1024;

  explicit AudioDeviceService(HardwarePropertyPort& hardware);
  // Removes every listener, then waits for a listener already running to return, so that nothing
  // it calls goes away under it. Never from a change handler.
  ~AudioDeviceService();
  AudioDeviceService(const AudioDeviceService&) = delete;
  AudioDeviceService& operator=(const AudioDeviceService&) = delete;

  // An input device that enumeration leaves out of the usable inputs, and why, in the user's words.
  struct LeftOutInput {
    std::string uid;
    std::string name;
    std::string reason;  // "1 input channel; monitoring needs a stereo pair"

    bool operator==(const LeftOutInput&) const = default;
  };
  // One enumeration of the inputs: those that can be monitored and those left out.
  struct InputCatalog {
    std::vector<AudioInputDevice> usable;
    std::vector<LeftOutInput> leftOut;
  };

  // Enumeration, computed afresh from the hardware on every call.
  InputCatalog inputCatalog() const;
  std::vector<AudioInputDevice> inputDevices() const { return inputCatalog().usable; }
  std::optional<AudioOutputDevice> defaultOutputDevice() const;
  // False only when the platform says its audio service is not running, so that there can be no
  // devices at all; an empty list alone does not mean that.
  bool isAudioServiceRunning() const;

  // Set once, before startListening(); called on listenerQueue.
  void setChangeHandler(std::function<void(Change)> handler);
  void startListening();
  void observeSelectedDevices(std::optional<AudioObjectID> input,
                              std::optional<AudioObjectID> output);

  SerialDispatchQueue& listenerQueue() { return listenerQueue_; }
  const std::vector<ListenerRegistration>& globalListeners() const { return globalListeners_; }
  const std::vector<ListenerRegistration>& selectedDeviceListeners() const {
    return selectedDeviceListeners_;
  }
  bool isListening() const { return isListening_; }

  // The reads both answers are built from; each answers its neutral value when unreadable.
  std::vector<AudioObjectID> deviceIDs() const;
  std::vector<AudioObjectID> streamIDs(AudioObjectID deviceID,
                                       AudioObjectPropertyScope scope) const;
  std::vector<int> streamChannelCounts(AudioObjectID deviceID,
                                       AudioObjectPropertyScope scope) const;
  // Counted from 0.
  std::optional<std::pair<int, int>> preferredStereoChannels(AudioObjectID deviceID) const;
  std::optional<AudioDeviceFormat> physicalFormat(AudioObjectID deviceID,
                                                  AudioObjectPropertyScope scope) const;
  std::uint32_t bufferFrameSize(AudioObjectID deviceID) const;

 private:
  // What a listener may reach; it holds this weakly, so it does nothing once the service is gone.
  struct ListenerTarget {
    std::function<void(Change)> changeHandler;
  };

  // Absent when the device cannot be monitored; a readable input with too few channels is then
  // added to `leftOut`.
  std::optional<AudioInputDevice> inputDevice(AudioObjectID deviceID,
                                              std::vector<LeftOutInput>& leftOut) const;
  double nominalSampleRate(AudioObjectID deviceID) const;
  bool isAlive(AudioObjectID deviceID) const;

  void addListener(AudioObjectID objectID, AudioObjectPropertyAddress address, Change change,
                   std::vector<ListenerRegistration>& registrations);
  void addDeviceListeners(AudioObjectID deviceID, AudioObjectPropertyScope scope,
                          std::vector<ListenerRegistration>& registrations);
  void addStreamFormatListeners(AudioObjectID deviceID, AudioObjectPropertyScope scope,
                                std::vector<ListenerRegistration>& registrations);
  void remove(std::vector<ListenerRegistration>& registrations);

  HardwarePropertyPort& hardware_;
  SerialDispatchQueue listenerQueue_;
  std::vector<ListenerRegistration> globalListeners_;
  std::vector<ListenerRegistration> selectedDeviceListeners_;
  bool isListening_ = false;
  std::shared_ptr<ListenerTarget> listenerTarget_ = std::make_shared<ListenerTarget>();
};
