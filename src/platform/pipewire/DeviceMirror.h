#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/HardwarePropertyPort.h"
#include "platform/pipewire/MirroredNode.h"

// What one of our streams needs to know about its device.
struct StreamTarget {
  std::string nodeName;
  UInt32 channels = 0;
  std::vector<std::string> positions;
  double rate = 0.0;
  // The graph's quantum, in frames at the graph's rate, which differs from `rate` when the device
  // is pinned to a rate of its own.
  UInt32 quantum = 0;
  double graphRate = 0.0;
  bool hasInput = false;
  bool hasOutput = false;
};

// The registry as the hardware-property operations see it: devices with the adapter's own object
// IDs (one per node appearance, never reused), the default sink and the graph clock. Updated on the
// PipeWire thread, read on any thread; every access holds one short mutex. Each update reports the
// properties whose observable value it changed, and nothing else.
class DeviceMirror {
 public:
  AudioObjectID add(const MirroredNode& node, PropertyChanges& changes);
  void update(AudioObjectID device, const MirroredNode& node, PropertyChanges& changes);
  void remove(AudioObjectID device, PropertyChanges& changes);
  void clear(PropertyChanges& changes);
  void setDefaultSinkName(const std::string& name, PropertyChanges& changes);
  void setGraphClock(const GraphClock& clock, PropertyChanges& changes);

  bool hasProperty(AudioObjectID object, const AudioObjectPropertyAddress& address);
  OSStatus dataSize(AudioObjectID object, const AudioObjectPropertyAddress& address,
                    UInt32* outSize);
  OSStatus data(AudioObjectID object, const AudioObjectPropertyAddress& address, UInt32* ioSize,
                void* outData);

  std::optional<StreamTarget> streamTarget(AudioObjectID device);

 private:
  struct Device {
    MirroredNode node;
    AudioObjectID stream;
  };
  // The values the property operations derive from a device, compared to find real changes.
  struct Observed {
    UInt32 inputChannels;
    UInt32 outputChannels;
    double rate;
    UInt32 quantum;
    UInt32 maximumQuantum;
    bool alive;
    std::optional<SampleFormat> format;
    friend bool operator==(const Observed&, const Observed&) = default;
  };
  enum class Answer { none, value, text };

  Observed observe(const MirroredNode& node) const;
  static void compare(AudioObjectID device, AudioObjectID stream, const Observed& before,
                      const Observed& after, PropertyChanges& changes);
  AudioObjectID defaultOutputLocked() const;
  const Device* deviceLocked(AudioObjectID object) const;
  const Device* deviceOfStreamLocked(AudioObjectID stream) const;
  // Writes the value (or measures it when out is null) into a scratch area; answers its kind.
  OSStatus answer(AudioObjectID object, const AudioObjectPropertyAddress& address,
                  std::vector<unsigned char>& value, std::string& text, Answer& kind);

  std::mutex mutex_;  // guards everything below
  std::map<AudioObjectID, Device> devices_;
  std::string defaultSinkName_;
  GraphClock clock_;
  AudioObjectID nextID_ = 100;
};
