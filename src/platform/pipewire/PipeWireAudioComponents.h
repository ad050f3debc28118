#pragma once

#include <functional>
#include <memory>

#include "platform/AudioUnitPort.h"
#include "platform/pipewire/PipeWireHardware.h"

// The audio components on Linux: the hardware unit ("ahal") over PipeWire streams on the given
// hardware's connection, and the varispeed converter ("vari") made by the factory the caller
// provides. Main thread.
class PipeWireAudioComponents final : public AudioComponentPort {
 public:
  using VarispeedFactory = std::function<std::unique_ptr<AudioUnitInstance>()>;

  PipeWireAudioComponents(PipeWireHardware& hardware, VarispeedFactory makeVarispeed);

  AudioComponent findNext(AudioComponent inComponent,
                          const AudioComponentDescription* inDesc) override;
  OSStatus instanceNew(AudioComponent inComponent, AudioUnit* outInstance) override;
  OSStatus instanceDispose(AudioUnit inInstance) override;

 private:
  PipeWireHardware& hardware_;
  VarispeedFactory makeVarispeed_;
};
