#include "platform/simulated/SimulatedAudioComponents.h"

#include <algorithm>
#include <array>

#include "platform/simulated/SimulatedAudioWorld.h"
#include "platform/simulated/SimulatedHardwareUnit.h"

namespace {

// A zero field in a description matches anything, as with the platform's lookup.
bool describes(const AudioComponentDescription& description, OSType type, OSType subtype) {
  const auto field = [](OSType wanted, OSType actual) { return wanted == 0 || wanted == actual; };
  return field(description.componentType, type) && field(description.componentSubType, subtype) &&
         field(description.componentManufacturer, kAudioUnitManufacturer_Apple);
}

}  // namespace

SimulatedAudioComponents::SimulatedAudioComponents(SimulatedAudioWorld& world,
                                                   SimulatedVarispeedFactory varispeedFactory)
    : world_(world), varispeedFactory_(std::move(varispeedFactory)) {}

SimulatedAudioComponents::~SimulatedAudioComponents() = default;

AudioComponent SimulatedAudioComponents::findNext(AudioComponent inComponent,
                                                  const AudioComponentDescription* inDesc) {
  struct Offer {
    SimulatedUnitKind kind;
    OSType type;
    OSType subtype;
  };
  const std::array<Offer, 2> offers{{
      {SimulatedUnitKind::ahalUnbound, kAudioUnitType_Output, kAudioUnitSubType_HALOutput},
      {SimulatedUnitKind::varispeed, kAudioUnitType_FormatConverter, kAudioUnitSubType_Varispeed},
  }};
  bool afterPrevious = inComponent == nullptr;
  AudioComponent found = nullptr;
  for (const Offer& offer : offers) {
    const AudioComponent candidate = component(offer.kind);
    if (!afterPrevious) {
      afterPrevious = candidate == inComponent;
      continue;
    }
    if (candidate == nullptr || inDesc == nullptr) continue;
    if (describes(*inDesc, offer.type, offer.subtype)) {
      found = candidate;
      break;
    }
  }
  SimulatedAudioCall call{SimulatedAudioOperation::findNext, componentKind(found)};
  if (found != nullptr && instrumentation_.injectedFailure(call)) found = nullptr;
  call.status = found != nullptr ? noErr : kAudio_UnimplementedError;
  instrumentation_.record(call);
  return found;
}

OSStatus SimulatedAudioComponents::instanceNew(AudioComponent inComponent, AudioUnit* outInstance) {
  const SimulatedUnitKind kind = componentKind(inComponent);
  SimulatedAudioCall call{SimulatedAudioOperation::instanceNew, kind};
  const auto finish = [&](OSStatus status) {
    call.status = status;
    instrumentation_.record(call);
    return status;
  };
  if (outInstance == nullptr) return finish(kAudio_ParamError);
  *outInstance = nullptr;
  if (kind == SimulatedUnitKind::none) return finish(kAudio_ParamError);
  if (const SimulatedCallFailure* injected = instrumentation_.injectedFailure(call)) {
    return finish(injected->status);
  }
  std::unique_ptr<AudioUnitInstance> unit;
  SimulatedHardwareUnit* hardware = nullptr;
  if (kind == SimulatedUnitKind::ahalUnbound) {
    auto hardwareUnit = std::make_unique<SimulatedHardwareUnit>(world_);
    hardware = hardwareUnit.get();
    unit = std::move(hardwareUnit);
  } else {
    unit = varispeedFactory_();
  }
  if (unit == nullptr) return finish(kAudio_MemFullError);
  instances_.push_back(
      std::make_unique<SimulatedAudioRecordedUnit>(std::move(unit), hardware, instrumentation_));
  *outInstance = instances_.back().get();
  return finish(noErr);
}

OSStatus SimulatedAudioComponents::instanceDispose(AudioUnit inInstance) {
  const auto found = std::find_if(instances_.begin(), instances_.end(), [&](const auto& instance) {
    return instance.get() == inInstance;
  });
  SimulatedAudioCall call{SimulatedAudioOperation::instanceDispose,
                          found != instances_.end() ? (*found)->kind() : SimulatedUnitKind::none};
  if (found == instances_.end()) {
    call.status = kAudio_ParamError;
  } else if (const SimulatedCallFailure* injected = instrumentation_.injectedFailure(call)) {
    call.status = injected->status;
  } else {
    instances_.erase(found);
  }
  instrumentation_.record(call);
  return call.status;
}

SimulatedUnitKind SimulatedAudioComponents::componentKind(AudioComponent component) const {
  if (component == nullptr) return SimulatedUnitKind::none;
  if (component == reinterpret_cast<AudioComponent>(const_cast<std::byte*>(&hardwareComponent_))) {
    return SimulatedUnitKind::ahalUnbound;
  }
  if (varispeedFactory_ &&
      component == reinterpret_cast<AudioComponent>(const_cast<std::byte*>(&varispeedComponent_))) {
    return SimulatedUnitKind::varispeed;
  }
  return SimulatedUnitKind::none;
}

AudioComponent SimulatedAudioComponents::component(SimulatedUnitKind kind) {
  if (kind == SimulatedUnitKind::ahalUnbound) {
    return reinterpret_cast<AudioComponent>(&hardwareComponent_);
  }
  if (kind == SimulatedUnitKind::varispeed && varispeedFactory_) {
    return reinterpret_cast<AudioComponent>(&varispeedComponent_);
  }
  return nullptr;
}
