#pragma once

// Copying fixed-size property values in and out of an audio unit, with the statuses the platform's
// units answer: a missing buffer is a parameter error, a wrong size an invalid property value.

#include <cstring>

#include "platform/CoreAudioTypes.h"

template <typename Value>
OSStatus copyPropertyOut(const Value& value, void* outData, UInt32* ioDataSize) {
  if (outData == nullptr || ioDataSize == nullptr) return kAudio_ParamError;
  if (*ioDataSize < sizeof(Value)) return kAudioUnitErr_InvalidPropertyValue;
  std::memcpy(outData, &value, sizeof(Value));
  *ioDataSize = sizeof(Value);
  return noErr;
}

template <typename Value>
OSStatus copyPropertyIn(Value& value, const void* data, UInt32 dataSize) {
  if (data == nullptr) return kAudio_ParamError;
  if (dataSize != sizeof(Value)) return kAudioUnitErr_InvalidPropertyValue;
  std::memcpy(&value, data, sizeof(Value));
  return noErr;
}
