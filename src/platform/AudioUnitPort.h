#pragma once

// The "audio units and components" port. An audio unit handle points at an AudioUnitInstance that
// an adapter provides; the free functions carry the platform's names and argument order so that
// the engine and the render callbacks read as they would against the platform itself.
//
// Threads: component lookup, instance creation and disposal, property and parameter calls,
// initialize/uninitialize and start/stop run on the main thread. AudioUnitRender runs on the
// real-time thread that is rendering; getParameter(kVarispeedParam_PlaybackRate) may run on the
// main thread while the unit renders. An adapter must honour those two cross-thread calls without
// locking the real-time side.

#include "platform/CoreAudioTypes.h"

class AudioUnitInstance {
 public:
  virtual ~AudioUnitInstance() = default;
  virtual OSStatus setProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                               AudioUnitElement element, const void* data, UInt32 dataSize) = 0;
  virtual OSStatus getProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                               AudioUnitElement element, void* outData, UInt32* ioDataSize) = 0;
  virtual OSStatus setParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                                AudioUnitElement element, AudioUnitParameterValue value,
                                UInt32 bufferOffsetInFrames) = 0;
  virtual OSStatus getParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                                AudioUnitElement element, AudioUnitParameterValue* outValue) = 0;
  virtual OSStatus initialize() = 0;
  virtual OSStatus uninitialize() = 0;
  // Output units only; other units answer kAudioUnitErr_InvalidProperty.
  virtual OSStatus outputStart() = 0;
  virtual OSStatus outputStop() = 0;
  virtual OSStatus render(AudioUnitRenderActionFlags* ioActionFlags,
                          const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                          UInt32 inNumberFrames, AudioBufferList* ioData) = 0;
};

using AudioUnit = AudioUnitInstance*;

// A component is an adapter-defined token; only the port that returned it interprets it.
struct OpaqueAudioComponent;
using AudioComponent = OpaqueAudioComponent*;

// Component lookup and instance lifetime: the one part of the unit API that needs an adapter
// object rather than a unit handle.
class AudioComponentPort {
 public:
  virtual ~AudioComponentPort() = default;
  virtual AudioComponent findNext(AudioComponent inComponent,
                                  const AudioComponentDescription* inDesc) = 0;
  virtual OSStatus instanceNew(AudioComponent inComponent, AudioUnit* outInstance) = 0;
  virtual OSStatus instanceDispose(AudioUnit inInstance) = 0;
};

inline AudioComponent AudioComponentFindNext(AudioComponentPort& port, AudioComponent inComponent,
                                             const AudioComponentDescription* inDesc) {
  return port.findNext(inComponent, inDesc);
}
inline OSStatus AudioComponentInstanceNew(AudioComponentPort& port, AudioComponent inComponent,
                                          AudioUnit* outInstance) {
  return port.instanceNew(inComponent, outInstance);
}
inline OSStatus AudioComponentInstanceDispose(AudioComponentPort& port, AudioUnit inInstance) {
  return port.instanceDispose(inInstance);
}
inline OSStatus AudioUnitSetProperty(AudioUnit unit, AudioUnitPropertyID property,
                                     AudioUnitScope scope, AudioUnitElement element,
                                     const void* data, UInt32 dataSize) {
  return unit->setProperty(property, scope, element, data, dataSize);
}
inline OSStatus AudioUnitGetProperty(AudioUnit unit, AudioUnitPropertyID property,
                                     AudioUnitScope scope, AudioUnitElement element, void* outData,
                                     UInt32* ioDataSize) {
  return unit->getProperty(property, scope, element, outData, ioDataSize);
}
inline OSStatus AudioUnitSetParameter(AudioUnit unit, AudioUnitParameterID parameter,
                                      AudioUnitScope scope, AudioUnitElement element,
                                      AudioUnitParameterValue value, UInt32 bufferOffsetInFrames) {
  return unit->setParameter(parameter, scope, element, value, bufferOffsetInFrames);
}
inline OSStatus AudioUnitGetParameter(AudioUnit unit, AudioUnitParameterID parameter,
                                      AudioUnitScope scope, AudioUnitElement element,
                                      AudioUnitParameterValue* outValue) {
  return unit->getParameter(parameter, scope, element, outValue);
}
inline OSStatus AudioUnitInitialize(AudioUnit unit) {
  return unit->initialize();
}
inline OSStatus AudioUnitUninitialize(AudioUnit unit) {
  return unit->uninitialize();
}
inline OSStatus AudioOutputUnitStart(AudioUnit unit) {
  return unit->outputStart();
}
inline OSStatus AudioOutputUnitStop(AudioUnit unit) {
  return unit->outputStop();
}
inline OSStatus AudioUnitRender(AudioUnit unit, AudioUnitRenderActionFlags* ioActionFlags,
                                const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                UInt32 inNumberFrames, AudioBufferList* ioData) {
  return unit->render(ioActionFlags, inTimeStamp, inOutputBusNumber, inNumberFrames, ioData);
}
