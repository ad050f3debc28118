#include "platform/simulated/SimulatedAudioRecordedUnit.h"

#include <algorithm>
#include <cstring>

#include "platform/simulated/SimulatedAudioPath.h"
#include "platform/simulated/SimulatedHardwareUnit.h"

SimulatedAudioRecordedUnit::SimulatedAudioRecordedUnit(
    std::unique_ptr<AudioUnitInstance> unit, SimulatedHardwareUnit* hardware,
    SimulatedAudioInstrumentation& instrumentation)
    : unit_(std::move(unit)), hardware_(hardware), instrumentation_(instrumentation) {}

SimulatedUnitKind SimulatedAudioRecordedUnit::kind() const {
  return hardware_ != nullptr ? hardware_->kind() : SimulatedUnitKind::varispeed;
}

template <typename Forward>
OSStatus SimulatedAudioRecordedUnit::recorded(SimulatedAudioOperation operation, UInt32 id,
                                              AudioUnitScope scope, AudioUnitElement element,
                                              Forward&& forward,
                                              const SimulatedCallFailure** injected) {
  if (SimulatedAudioPathScope::active()) return forward();
  SimulatedAudioCall call{operation, kind(), id, scope, element};
  const SimulatedCallFailure* failure = instrumentation_.injectedFailure(call);
  if (injected != nullptr) *injected = failure;
  call.status = failure != nullptr ? failure->status : forward();
  instrumentation_.record(call);
  return call.status;
}

OSStatus SimulatedAudioRecordedUnit::setProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                                 AudioUnitElement element, const void* data,
                                                 UInt32 dataSize) {
  return recorded(SimulatedAudioOperation::setProperty, property, scope, element,
                  [&] { return unit_->setProperty(property, scope, element, data, dataSize); });
}

OSStatus SimulatedAudioRecordedUnit::getProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                                 AudioUnitElement element, void* outData,
                                                 UInt32* ioDataSize) {
  const SimulatedCallFailure* injected = nullptr;
  const OSStatus status = recorded(
      SimulatedAudioOperation::getProperty, property, scope, element,
      [&] { return unit_->getProperty(property, scope, element, outData, ioDataSize); }, &injected);
  if (injected != nullptr && injected->reading && outData != nullptr && ioDataSize != nullptr) {
    const UInt32 copied = std::min({*ioDataSize, injected->readingBytes, UInt32{sizeof(UInt32)}});
    std::memcpy(outData, &*injected->reading, copied);
    *ioDataSize = injected->readingBytes;
  }
  return status;
}

OSStatus SimulatedAudioRecordedUnit::setParameter(AudioUnitParameterID parameter,
                                                  AudioUnitScope scope, AudioUnitElement element,
                                                  AudioUnitParameterValue value,
                                                  UInt32 bufferOffsetInFrames) {
  return recorded(SimulatedAudioOperation::setParameter, parameter, scope, element, [&] {
    return unit_->setParameter(parameter, scope, element, value, bufferOffsetInFrames);
  });
}

OSStatus SimulatedAudioRecordedUnit::getParameter(AudioUnitParameterID parameter,
                                                  AudioUnitScope scope, AudioUnitElement element,
                                                  AudioUnitParameterValue* outValue) {
  return recorded(SimulatedAudioOperation::getParameter, parameter, scope, element,
                  [&] { return unit_->getParameter(parameter, scope, element, outValue); });
}

OSStatus SimulatedAudioRecordedUnit::initialize() {
  return recorded(SimulatedAudioOperation::initialize, 0, 0, 0,
                  [&] { return unit_->initialize(); });
}

OSStatus SimulatedAudioRecordedUnit::uninitialize() {
  return recorded(SimulatedAudioOperation::uninitialize, 0, 0, 0,
                  [&] { return unit_->uninitialize(); });
}

OSStatus SimulatedAudioRecordedUnit::outputStart() {
  return recorded(SimulatedAudioOperation::outputStart, 0, 0, 0,
                  [&] { return unit_->outputStart(); });
}

OSStatus SimulatedAudioRecordedUnit::outputStop() {
  return recorded(SimulatedAudioOperation::outputStop, 0, 0, 0,
                  [&] { return unit_->outputStop(); });
}

OSStatus SimulatedAudioRecordedUnit::render(AudioUnitRenderActionFlags* ioActionFlags,
                                            const AudioTimeStamp* inTimeStamp,
                                            UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                            AudioBufferList* ioData) {
  const OSStatus injected =
      instrumentation_.audioPathStatus(SimulatedAudioOperation::render, kind(), ++renderCalls_);
  if (injected != noErr) return injected;
  return unit_->render(ioActionFlags, inTimeStamp, inOutputBusNumber, inNumberFrames, ioData);
}
