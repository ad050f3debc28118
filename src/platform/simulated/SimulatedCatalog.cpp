#include "platform/simulated/SimulatedCatalog.h"

#include <algorithm>
#include <cstring>

#include "platform/CFString.h"

namespace {

bool matches(AudioObjectPropertyScope installed, AudioObjectPropertyScope changed) {
  return installed == changed || installed == SimulatedCatalog::kScopeWildcard ||
         changed == SimulatedCatalog::kScopeWildcard;
}

bool elementMatches(AudioObjectPropertyElement installed, AudioObjectPropertyElement changed) {
  return installed == changed || installed == SimulatedCatalog::kElementWildcard ||
         changed == SimulatedCatalog::kElementWildcard;
}

}  // namespace

SimulatedCatalog::Key SimulatedCatalog::keyOf(AudioObjectID object,
                                              const AudioObjectPropertyAddress& address) {
  return {object, address.mSelector, address.mScope, address.mElement};
}

bool SimulatedCatalog::objectExists(AudioObjectID object) const {
  return object == kAudioObjectSystemObject || devices_.contains(object) ||
         streams_.contains(object);
}

const SimulatedPropertyFault* SimulatedCatalog::faultAt(
    AudioObjectID object, const AudioObjectPropertyAddress& address) const {
  const auto fault = faults_.find(keyOf(object, address));
  return fault == faults_.end() ? nullptr : &fault->second;
}

bool SimulatedCatalog::hasProperty(AudioObjectID object,
                                   const AudioObjectPropertyAddress* address) {
  if (address == nullptr) return false;
  std::lock_guard lock(mutex_);
  const auto* fault = faultAt(object, *address);
  if (fault != nullptr && fault->kind == SimulatedPropertyFault::Kind::missing) return false;
  Value value;
  return lookUp(object, *address, value) == noErr;
}

OSStatus SimulatedCatalog::getPropertyDataSize(AudioObjectID object,
                                               const AudioObjectPropertyAddress* address,
                                               UInt32 /*qualifierDataSize*/,
                                               const void* /*qualifierData*/, UInt32* outDataSize) {
  if (address == nullptr || outDataSize == nullptr) return kAudio_ParamError;
  std::lock_guard lock(mutex_);
  Value value;
  if (const OSStatus status = lookUp(object, *address, value); status != noErr) return status;
  using Kind = SimulatedPropertyFault::Kind;
  if (const auto* fault = faultAt(object, *address)) {
    if (fault->kind == Kind::missing) return kAudioHardwareUnknownPropertyError;
    if (fault->kind == Kind::sizeQueryFails) return kAudioHardwareNotRunningError;
    if (fault->kind == Kind::misreportedSize || fault->kind == Kind::grewBetweenReads) {
      *outDataSize = fault->bytes;
      return noErr;
    }
  }
  *outDataSize = value.shape == Value::Shape::text ? static_cast<UInt32>(sizeof(CFStringRef))
                                                   : static_cast<UInt32>(value.bytes.size());
  return noErr;
}

OSStatus SimulatedCatalog::getPropertyData(AudioObjectID object,
                                           const AudioObjectPropertyAddress* address,
                                           UInt32 /*qualifierDataSize*/,
                                           const void* /*qualifierData*/, UInt32* ioDataSize,
                                           void* outData) {
  if (address == nullptr || ioDataSize == nullptr || outData == nullptr) return kAudio_ParamError;
  std::lock_guard lock(mutex_);
  Value value;
  if (const OSStatus status = lookUp(object, *address, value); status != noErr) return status;

  using Kind = SimulatedPropertyFault::Kind;
  const auto* fault = faultAt(object, *address);
  auto injected = [fault](Kind kind) { return fault != nullptr && fault->kind == kind; };
  if (injected(Kind::missing)) return kAudioHardwareUnknownPropertyError;
  if (injected(Kind::readFails)) return kAudioHardwareNotRunningError;

  // A text value is a fresh string reference that becomes the caller's once fully delivered.
  ScopedCFString text;
  if (value.shape == Value::Shape::text) {
    if (!injected(Kind::nullText)) text.reset(CFStringCreateWithUTF8(value.text));
    const CFStringRef reference = text.get();
    value.bytes.resize(sizeof reference);
    std::memcpy(value.bytes.data(), &reference, sizeof reference);
  }
  if (injected(Kind::overstatedBufferCount) &&
      address->mSelector == kAudioDevicePropertyStreamConfiguration) {
    std::memcpy(value.bytes.data(), &fault->bytes, sizeof fault->bytes);
  }

  std::size_t delivered = value.bytes.size();
  if (injected(Kind::grewBetweenReads)) {
    std::memcpy(outData, value.bytes.data(), std::min<std::size_t>(delivered, *ioDataSize));
    *ioDataSize = static_cast<UInt32>(delivered);
    return noErr;
  }
  if (value.shape == Value::Shape::list) {
    // Lists deliver the whole entries that fit.
    delivered = std::min<std::size_t>(delivered,
                                      *ioDataSize / sizeof(AudioObjectID) * sizeof(AudioObjectID));
  } else if (*ioDataSize < delivered) {
    return kAudioHardwareBadPropertySizeError;
  }
  if (injected(Kind::shortRead)) delivered = std::min<std::size_t>(delivered, fault->bytes);

  std::memcpy(outData, value.bytes.data(), delivered);
  *ioDataSize = static_cast<UInt32>(delivered);
  if (delivered == value.bytes.size()) static_cast<void>(text.release());
  return noErr;
}

OSStatus SimulatedCatalog::addPropertyListenerBlock(AudioObjectID object,
                                                    const AudioObjectPropertyAddress* address,
                                                    DispatchQueue* queue,
                                                    AudioObjectPropertyListenerBlock listener) {
  if (address == nullptr || queue == nullptr || !listener) return kAudio_ParamError;
  std::lock_guard lock(mutex_);
  if (!objectExists(object)) return kAudioHardwareBadObjectError;
  if (const auto fault = listenerFaults_.find(keyOf(object, *address));
      fault != listenerFaults_.end()) {
    return fault->second;
  }
  listeners_.push_back({object, *address, queue, std::move(listener)});
  return noErr;
}

OSStatus SimulatedCatalog::removePropertyListenerBlock(AudioObjectID object,
                                                       const AudioObjectPropertyAddress* address,
                                                       DispatchQueue* queue,
                                                       AudioObjectPropertyListenerBlock listener) {
  if (address == nullptr) return kAudio_ParamError;
  std::lock_guard lock(mutex_);
  const auto installed = std::find_if(listeners_.begin(), listeners_.end(), [&](const auto& each) {
    return each.objectID == object && each.address == *address && each.queue == queue &&
           each.block == listener;
  });
  if (installed == listeners_.end()) return kAudio_ParamError;
  listeners_.erase(installed);
  return noErr;
}

void SimulatedCatalog::notify(const std::vector<Change>& changes) {
  for (const Change& change : changes) {
    for (const Listener& listener : listeners_) {
      if (listener.objectID != change.objectID ||
          listener.address.mSelector != change.address.mSelector ||
          !matches(listener.address.mScope, change.address.mScope) ||
          !elementMatches(listener.address.mElement, change.address.mElement)) {
        continue;
      }
      listener.queue->async(
          [block = listener.block, address = change.address] { (*block)(1, &address); });
    }
  }
}

void SimulatedCatalog::injectFault(AudioObjectID object, AudioObjectPropertyAddress address,
                                   SimulatedPropertyFault fault) {
  std::lock_guard lock(mutex_);
  faults_.insert_or_assign(keyOf(object, address), fault);
}

void SimulatedCatalog::failListenerInstallation(AudioObjectID object,
                                                AudioObjectPropertyAddress address,
                                                OSStatus status) {
  std::lock_guard lock(mutex_);
  listenerFaults_.insert_or_assign(keyOf(object, address), status);
}

void SimulatedCatalog::clearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
  listenerFaults_.clear();
}

std::vector<SimulatedCatalog::InstalledListener> SimulatedCatalog::installedListeners() const {
  std::lock_guard lock(mutex_);
  std::vector<InstalledListener> installed;
  for (const Listener& listener : listeners_) {
    installed.push_back({listener.objectID, listener.address, listener.queue});
  }
  return installed;
}

std::size_t SimulatedCatalog::installedListenerCount() const {
  std::lock_guard lock(mutex_);
  return listeners_.size();
}
