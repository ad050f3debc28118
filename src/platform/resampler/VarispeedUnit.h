#pragma once

#include <zita-resampler/vresampler.h>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "platform/AudioUnitPort.h"
#include "platform/resampler/StereoBufferList.h"

// The varispeed format converter: pulls input-rate frames through the render callback installed on
// its input bus and renders them at the output rate, with a playback rate that makes it consume its
// input faster (above 1) or slower (below 1). Built on zita-resampler's VResampler.
//
// Threads: properties, initialize and uninitialize belong to the main thread, and properties that
// shape the rendering are refused while initialized, so render never sees them change. render runs
// on the rendering thread only while initialized. The playback rate is the one value both sides
// touch at once (set on the rendering thread, read on the main thread).
class VarispeedUnit final : public AudioUnitInstance {
 public:
  // The converter slows its ratio by at most 5 % below the one it was set up for (and may raise it
  // up to 16 times), so faster playback than 1.05 is refused rather than silently capped.
  static constexpr AudioUnitParameterValue kMinimumPlaybackRate = 0.25f;
  static constexpr AudioUnitParameterValue kMaximumPlaybackRate = 1.05f;

  VarispeedUnit();
  ~VarispeedUnit() override;
  VarispeedUnit(const VarispeedUnit&) = delete;
  VarispeedUnit& operator=(const VarispeedUnit&) = delete;

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

  // Input-rate frames the converter holds back as look-ahead before an input frame reaches the
  // output: half its filter, fixed at initialization (0 while uninitialized). A block pulls the
  // input it consumes, to within one frame, so nothing else waits inside the converter.
  double latencyFrames() const { return latencyFrames_; }

 private:
  OSStatus setGlobalUInt32(UInt32& target, UInt32 minimum, UInt32 maximum, AudioUnitElement element,
                           const void* data, UInt32 dataSize);
  OSStatus setStreamFormat(AudioUnitScope scope, AudioUnitElement element, const void* data,
                           UInt32 dataSize);
  OSStatus setRenderCallback(AudioUnitScope scope, AudioUnitElement element, const void* data,
                             UInt32 dataSize);
  OSStatus allocate();

  // Input frames the converter consumes for its next `outputFrames` output frames at this playback
  // rate, at most one more.
  UInt32 inputFramesFor(UInt32 outputFrames, double playbackRate) const;
  // That many frames from the render callback into interleavedInput_.
  void pullInput(UInt32 frames);

  // Main thread only.
  UInt32 maximumFramesPerSlice_ = 4096;
  UInt32 renderQuality_ = kRenderQuality_Max;
  std::optional<AudioStreamBasicDescription> inputFormat_;
  std::optional<AudioStreamBasicDescription> outputFormat_;
  AURenderCallbackStruct inputCallback_{};
  double latencyFrames_ = 0.0;

  // Allocated by initialize, then touched only by render (and the callbacks it drives).
  std::unique_ptr<VResampler> converter_;
  double inputFramesPerOutputFrame_ = 1.0;  // at a playback rate of 1
  UInt32 largestPull_ = 0;
  std::vector<float> inputLeft_;
  std::vector<float> inputRight_;
  std::vector<float> interleavedInput_;
  std::vector<float> interleavedOutput_;
  StereoBufferList inputBuffers_;
  AudioTimeStamp inputTime_{};
  OSStatus inputStatus_ = noErr;

  // Written on the rendering thread (drift correction), read there and on the main thread. Relaxed:
  // it is a lone value that publishes nothing else, and a render may use the previous one.
  std::atomic<AudioUnitParameterValue> playbackRate_{1.0f};
};
