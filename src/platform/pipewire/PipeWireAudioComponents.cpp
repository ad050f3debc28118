#include "platform/pipewire/PipeWireAudioComponents.h"

#include <array>

#include "platform/pipewire/PipeWireHardwareUnit.h"

namespace {

struct Component {
  AudioComponentDescription description;
};

// The components in lookup order; a component token is the address of its entry.
constexpr std::array<Component, 2> kComponents{{
    {{kAudioUnitType_Output, kAudioUnitSubType_HALOutput, kAudioUnitManufacturer_Apple, 0, 0}},
    {{kAudioUnitType_FormatConverter, kAudioUnitSubType_Varispeed, kAudioUnitManufacturer_Apple, 0,
      0}},
}};

AudioComponent token(const Component& component) {
  return reinterpret_cast<AudioComponent>(const_cast<Component*>(&component));
}

// Zero fields of the wanted description match anything, as the platform's lookup does.
bool matches(const AudioComponentDescription& have, const AudioComponentDescription& want) {
  return (want.componentType == 0 || want.componentType == have.componentType) &&
         (want.componentSubType == 0 || want.componentSubType == have.componentSubType) &&
         (want.componentManufacturer == 0 ||
          want.componentManufacturer == have.componentManufacturer);
}

}  // namespace

PipeWireAudioComponents::PipeWireAudioComponents(PipeWireHardware& hardware,
                                                 VarispeedFactory makeVarispeed)
    : hardware_(hardware), makeVarispeed_(std::move(makeVarispeed)) {}

AudioComponent PipeWireAudioComponents::findNext(AudioComponent inComponent,
                                                 const AudioComponentDescription* inDesc) {
  bool passed = inComponent == nullptr;
  for (const Component& component : kComponents) {
    if (passed && (inDesc == nullptr || matches(component.description, *inDesc))) {
      return token(component);
    }
    if (token(component) == inComponent) passed = true;
  }
  return nullptr;
}

OSStatus PipeWireAudioComponents::instanceNew(AudioComponent inComponent, AudioUnit* outInstance) {
  if (outInstance == nullptr) return kAudio_ParamError;
  *outInstance = nullptr;
  if (inComponent == token(kComponents[0])) {
    *outInstance = new PipeWireHardwareUnit(hardware_);
    return noErr;
  }
  if (inComponent == token(kComponents[1])) {
    if (!makeVarispeed_) return kAudio_UnimplementedError;
    std::unique_ptr<AudioUnitInstance> unit = makeVarispeed_();
    if (!unit) return kAudio_MemFullError;
    *outInstance = unit.release();
    return noErr;
  }
  return kAudio_ParamError;
}

OSStatus PipeWireAudioComponents::instanceDispose(AudioUnit inInstance) {
  delete inInstance;
  return noErr;
}
