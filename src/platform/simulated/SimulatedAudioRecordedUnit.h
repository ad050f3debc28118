#pragma once

#include <memory>

#include "platform/AudioUnitPort.h"
#include "platform/simulated/SimulatedAudioInstrumentation.h"

class SimulatedHardwareUnit;

// The handle the simulated component port gives out: it records each main-thread call, applies the
// failure rules, and forwards to the unit it owns. On the audio path it records nothing and only
// applies the armed audio-path failure.
//
// Threads: as the unit it wraps; its render count belongs to the audio path.
class SimulatedAudioRecordedUnit final : public AudioUnitInstance {
 public:
  // `hardware` is the wrapped unit when it is a hardware unit, null for the varispeed unit.
  SimulatedAudioRecordedUnit(std::unique_ptr<AudioUnitInstance> unit,
                             SimulatedHardwareUnit* hardware,
                             SimulatedAudioInstrumentation& instrumentation);

  SimulatedUnitKind kind() const;

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

 private:
  // `injected`, when given, receives the rule that replaced the call, or null.
  template <typename Forward>
  OSStatus recorded(SimulatedAudioOperation operation, UInt32 id, AudioUnitScope scope,
                    AudioUnitElement element, Forward&& forward,
                    const SimulatedCallFailure** injected = nullptr);

  std::unique_ptr<AudioUnitInstance> unit_;
  SimulatedHardwareUnit* hardware_;
  SimulatedAudioInstrumentation& instrumentation_;
  UInt64 renderCalls_ = 0;  // audio path only
};
