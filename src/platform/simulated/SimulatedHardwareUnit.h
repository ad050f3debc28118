#pragma once

#include <array>
#include <optional>

#include "platform/AudioUnitPort.h"
#include "platform/simulated/SimulatedAudioCall.h"

class SimulatedAudioDevice;
class SimulatedAudioWorld;

// The hardware I/O unit ("auou"/"ahal") of the simulated platform, bound to a device of a
// SimulatedAudioWorld. Input side: the client format is on output scope, element 1, and the input
// callback asks for the block with render on bus 1, limited to two device channels by the channel
// map. Output side: the client format is on input scope, element 0, and the render callback fills
// each output block. Both sides carry two channels of non-interleaved 32-bit float at the device's
// nominal rate.
//
// Threads: everything but render, deliverInput and renderOutput belongs to the main thread. Every
// property is refused while initialized, so the audio path never sees one change; the device
// publishes the unit to its cycle when the unit starts and stops calling it before outputStop
// returns.
class SimulatedHardwareUnit final : public AudioUnitInstance {
 public:
  static constexpr UInt32 kDefaultMaximumFramesPerSlice = 4096;

  explicit SimulatedHardwareUnit(SimulatedAudioWorld& world);
  ~SimulatedHardwareUnit() override;
  SimulatedHardwareUnit(const SimulatedHardwareUnit&) = delete;
  SimulatedHardwareUnit& operator=(const SimulatedHardwareUnit&) = delete;

  OSStatus setProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       const void* data, UInt32 dataSize) override;
  OSStatus getProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       void* outData, UInt32* ioDataSize) override;
  OSStatus setParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                        AudioUnitElement element, AudioUnitParameterValue value,
                        UInt32 bufferOffsetInFrames) override;
  OSStatus getParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                        AudioUnitElement element, AudioUnitParameterValue* outValue) override;
  OSStatus initialize() override;
  OSStatus uninitialize() override;
  OSStatus outputStart() override;
  OSStatus outputStop() override;
  OSStatus render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* inTimeStamp,
                  UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                  AudioBufferList* ioData) override;

  SimulatedUnitKind kind() const;
  bool isInitialized() const { return initialized_; }
  bool isStarted() const { return started_; }
  // Started, but the device it ran on was removed from the world.
  bool lostDevice() const { return started_ && device_ == nullptr; }

 private:
  friend class SimulatedAudioDevice;

  // Called by the device during its cycle.
  void deliverInput(const AudioTimeStamp& timeStamp, UInt32 frames);
  OSStatus renderOutput(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp& timeStamp,
                        UInt32 frames, AudioBufferList* ioData);
  // Called by the device, main thread, when it leaves the world while this unit runs on it.
  void deviceRemoved() { device_ = nullptr; }

  AudioStreamBasicDescription clientFormat(
      const std::optional<AudioStreamBasicDescription>& format) const;
  OSStatus validateAgainstDevice(const SimulatedAudioDevice& device) const;

  SimulatedAudioWorld& world_;
  // Main thread; frozen while initialized, which is when the audio path reads them.
  bool ioDirectionSet_ = false;
  bool inputEnabled_ = false;
  bool outputEnabled_ = true;
  AudioObjectID deviceID_ = 0;
  UInt32 maximumFrames_ = kDefaultMaximumFramesPerSlice;
  std::array<SInt32, 2> channelMap_{0, 1};
  std::optional<AudioStreamBasicDescription> inputSideFormat_;
  std::optional<AudioStreamBasicDescription> outputSideFormat_;
  AURenderCallbackStruct inputCallback_{};
  AURenderCallbackStruct renderCallback_{};
  bool initialized_ = false;
  bool started_ = false;
  // The device this unit is started on. Set before the device publishes the unit to its cycle and
  // cleared only after the device stopped calling it.
  SimulatedAudioDevice* device_ = nullptr;
};
