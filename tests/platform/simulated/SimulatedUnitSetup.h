#pragma once

#include <array>

#include "platform/AudioUnitPort.h"

// Configures simulated hardware units the way the monitoring engine does, stopping at the first
// call that fails.

inline AudioStreamBasicDescription stereoFloatFormat(Float64 rate) {
  return {rate,
          kAudioFormatLinearPCM,
          kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved,
          4,
          1,
          4,
          2,
          32,
          0};
}

inline OSStatus configureInputUnit(AudioUnit unit, AudioObjectID device,
                                   std::array<SInt32, 2> channelMap, Float64 rate,
                                   AURenderCallback callback, void* context) {
  const UInt32 enable = 1;
  const UInt32 disable = 0;
  const UInt32 maximumFrames = 8192;
  const AudioStreamBasicDescription format = stereoFloatFormat(rate);
  const AURenderCallbackStruct input{callback, context};
  OSStatus status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO,
                                         kAudioUnitScope_Input, 1, &enable, sizeof enable);
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output,
                                  0, &disable, sizeof disable);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_CurrentDevice,
                                  kAudioUnitScope_Global, 0, &device, sizeof device);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice,
                                  kAudioUnitScope_Global, 0, &maximumFrames, sizeof maximumFrames);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_ChannelMap, kAudioUnitScope_Output,
                                  1, channelMap.data(), sizeof channelMap);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1,
                                  &format, sizeof format);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_SetInputCallback,
                                  kAudioUnitScope_Global, 0, &input, sizeof input);
  }
  return status;
}

inline OSStatus configureOutputUnit(AudioUnit unit, AudioObjectID device, Float64 rate,
                                    AURenderCallback callback, void* context) {
  const UInt32 enable = 1;
  const UInt32 disable = 0;
  const UInt32 maximumFrames = 8192;
  const AudioStreamBasicDescription format = stereoFloatFormat(rate);
  const AURenderCallbackStruct render{callback, context};
  OSStatus status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO,
                                         kAudioUnitScope_Output, 0, &enable, sizeof enable);
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1,
                                  &disable, sizeof disable);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioOutputUnitProperty_CurrentDevice,
                                  kAudioUnitScope_Global, 0, &device, sizeof device);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice,
                                  kAudioUnitScope_Global, 0, &maximumFrames, sizeof maximumFrames);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0,
                                  &format, sizeof format);
  }
  if (status == noErr) {
    status = AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input,
                                  0, &render, sizeof render);
  }
  return status;
}

inline OSStatus initializeAndStart(AudioUnit unit) {
  const OSStatus status = AudioUnitInitialize(unit);
  return status != noErr ? status : AudioOutputUnitStart(unit);
}
