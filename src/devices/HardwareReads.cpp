#include "devices/HardwareReads.h"

#include "platform/CFString.h"

std::optional<std::string> readText(HardwarePropertyPort& hardware, AudioObjectID object,
                                    const AudioObjectPropertyAddress& address) {
  if (!hardware.hasProperty(object, &address)) return std::nullopt;
  CFStringRef reference = nullptr;
  UInt32 size = sizeof reference;
  if (hardware.getPropertyData(object, &address, 0, nullptr, &size, &reference) != noErr ||
      size != sizeof reference) {
    // A partly delivered reference is not one the reader owns.
    return std::nullopt;
  }
  const ScopedCFString text(reference);
  if (!text) return std::nullopt;
  return text->utf8;
}

std::vector<AudioObjectID> readObjectIDList(HardwarePropertyPort& hardware, AudioObjectID object,
                                            const AudioObjectPropertyAddress& address) {
  // More objects than any machine has; a larger size is a bad answer, not an allocation to try.
  constexpr UInt32 kMostIdentifiers = 65536;
  UInt32 size = 0;
  if (hardware.getPropertyDataSize(object, &address, 0, nullptr, &size) != noErr ||
      size < sizeof(AudioObjectID) || size / sizeof(AudioObjectID) > kMostIdentifiers) {
    return {};
  }
  std::vector<AudioObjectID> identifiers(size / sizeof(AudioObjectID), kAudioObjectUnknown);
  UInt32 capacity = static_cast<UInt32>(identifiers.size() * sizeof(AudioObjectID));
  if (hardware.getPropertyData(object, &address, 0, nullptr, &capacity, identifiers.data()) !=
      noErr) {
    return {};
  }
  return identifiers;
}
