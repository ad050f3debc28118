#pragma once

// Typed reads of hardware properties. Each absorbs every failure: it answers absent (or empty)
// when the property is missing, the read fails, or it delivers less than a whole value.

#include <optional>
#include <string>
#include <vector>

#include "platform/HardwarePropertyPort.h"

constexpr AudioObjectPropertyAddress propertyAddress(
    AudioObjectPropertySelector selector,
    AudioObjectPropertyScope scope = kAudioObjectPropertyScopeGlobal,
    AudioObjectPropertyElement element = kAudioObjectPropertyElementMain) {
  return {selector, scope, element};
}

// A fixed-size value; a short delivery counts as a failed read, since the rest would be made up.
template <typename T>
std::optional<T> readValue(HardwarePropertyPort& hardware, AudioObjectID object,
                           const AudioObjectPropertyAddress& address) {
  T value{};
  UInt32 size = sizeof(T);
  if (hardware.getPropertyData(object, &address, 0, nullptr, &size, &value) != noErr ||
      size != sizeof(T)) {
    return std::nullopt;
  }
  return value;
}

// Text is read only when the object has the property; a null reference counts as no text.
std::optional<std::string> readText(HardwarePropertyPort& hardware, AudioObjectID object,
                                    const AudioObjectPropertyAddress& address);

// An identifier list sized from the reported byte size. It keeps that length even when the read
// delivers fewer identifiers; the missing ones stay 0, an object nothing can be read from. An
// implausibly large size reads as an empty list.
std::vector<AudioObjectID> readObjectIDList(HardwarePropertyPort& hardware, AudioObjectID object,
                                            const AudioObjectPropertyAddress& address);
