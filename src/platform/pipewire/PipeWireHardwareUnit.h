#pragma once

#include <pipewire/pipewire.h>
#include <spa/node/io.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/AudioUnitPort.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/resampler/StereoBufferList.h"

// The hardware input/output unit over one PipeWire stream. With input enabled it is a capture
// stream on the current device, as planar float, of the two channels of the channel map when their
// positions name them uniquely (so the session links only those ports) and of all its channels
// otherwise; its process callback calls the input callback, and render on bus 1 hands over the two
// channels of the channel map. With output enabled it is a stereo playback stream on the device
// whose process callback calls the render callback into two planar buffers. Streams never move to
// another device; one that fails while running raises "stpd" on its device.
//
// Threads: properties, initialize, start and stop on the main thread; the process callback and
// render on PipeWire's data thread, which never allocates, locks or logs; stream events on the
// PipeWire thread under the loop lock.
class PipeWireHardwareUnit final : public AudioUnitInstance, private StreamOwner {
 public:
  explicit PipeWireHardwareUnit(PipeWireHardware& hardware);
  ~PipeWireHardwareUnit() override;
  PipeWireHardwareUnit(const PipeWireHardwareUnit&) = delete;
  PipeWireHardwareUnit& operator=(const PipeWireHardwareUnit&) = delete;

  OSStatus setProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       const void* data, UInt32 dataSize) override;
  OSStatus getProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       void* outData, UInt32* ioDataSize) override;
  OSStatus setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue, UInt32) override;
  OSStatus getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue*) override;
  OSStatus initialize() override;
  OSStatus uninitialize() override;
  OSStatus outputStart() override;
  OSStatus outputStop() override;
  OSStatus render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* inTimeStamp,
                  UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                  AudioBufferList* ioData) override;

 private:
  // The daemon went: the stream goes with it, and a running one counts as stopped abnormally.
  void releaseStream() override;
  static void onProcess(void* data);
  static void onStateChanged(void* data, pw_stream_state old, pw_stream_state state,
                             const char* error);
  static void onIoChanged(void* data, uint32_t id, void* area, uint32_t size);
  void processCapture();
  void processPlayback();
  bool capturing() const { return inputEnabled_ != 0; }
  OSStatus connect(const StreamTarget& target);
  std::vector<UInt32> channelsToCapture(const StreamTarget& target) const;
  void destroyStream();
  std::uint64_t cycleNanos() const;
  void countMissedCycles();
  AudioTimeStamp nextTimeStamp(UInt32 frames, std::uint64_t hostNanos);

  PipeWireHardware& hardware_;

  // Main thread; fixed while the stream runs.
  UInt32 inputEnabled_ = 0;
  UInt32 outputEnabled_ = 1;
  AudioObjectID device_ = kAudioObjectUnknown;
  UInt32 maximumFrames_ = 4096;
  SInt32 channelMap_[2] = {0, 1};
  std::optional<AudioStreamBasicDescription> clientFormat_;
  AURenderCallbackStruct inputCallback_{};
  AURenderCallbackStruct renderCallback_{};
  bool initialized_ = false;
  // PipeWire's words for why the last start failed; empty when it did not.
  std::string lastError_;

  // Under the loop lock.
  pw_stream* stream_ = nullptr;
  spa_hook streamListener_{};
  pw_stream_state state_ = PW_STREAM_STATE_UNCONNECTED;
  std::string streamError_;  // the error the stream last entered the error state with
  bool running_ = false;

  // Set before the stream connects, then only read, by the data thread: the device channel each
  // plane of the capture stream carries.
  std::vector<UInt32> capturedChannels_;

  // Sized before the stream connects, then touched only by the data thread: each device channel's
  // samples in the current buffer, null for those not captured.
  std::vector<const float*> channelData_;
  UInt32 capturedFrames_ = 0;
  // The graph's position, which its driver updates before each cycle it wakes the stream for.
  // Stored with release when PipeWire hands it over (main or data thread), loaded with acquire by
  // the data thread.
  std::atomic<const spa_io_position*> position_{nullptr};
  StereoBufferList outputBuffers_;
  // Data thread only: the stream's frames so far, missed cycles included; the driver's frames
  // skipped but not yet confirmed by the next cycle; and the driver's cycle the stream last ran in
  // (its position area, clock and frame position, and the cycle's length).
  Float64 sampleTime_ = 0.0;
  std::int64_t uncountedFrames_ = 0;
  const spa_io_position* lastCycleArea_ = nullptr;
  std::uint32_t lastCycleClock_ = 0;
  std::uint64_t lastCyclePosition_ = 0;
  std::uint64_t lastCycleDuration_ = 0;
};
