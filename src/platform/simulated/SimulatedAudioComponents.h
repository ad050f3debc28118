#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/AudioUnitPort.h"
#include "platform/simulated/SimulatedAudioInstrumentation.h"
#include "platform/simulated/SimulatedAudioRecordedUnit.h"

class SimulatedAudioWorld;

using SimulatedVarispeedFactory = std::function<std::unique_ptr<AudioUnitInstance>()>;

// The component port of the simulated platform. It offers the hardware I/O unit ("auou"/"ahal",
// bound to the world's devices) and, when given a factory, the varispeed converter
// ("aufc"/"vari"), both from manufacturer "appl". It owns every instance it creates until that is
// disposed (or the port goes), records every main-thread call to the port and its units, and
// makes chosen calls fail.
//
// Threads: main thread, except what the units themselves allow on the audio path.
class SimulatedAudioComponents final : public AudioComponentPort {
 public:
  explicit SimulatedAudioComponents(SimulatedAudioWorld& world,
                                    SimulatedVarispeedFactory varispeedFactory = {});
  ~SimulatedAudioComponents() override;
  SimulatedAudioComponents(const SimulatedAudioComponents&) = delete;
  SimulatedAudioComponents& operator=(const SimulatedAudioComponents&) = delete;

  AudioComponent findNext(AudioComponent inComponent,
                          const AudioComponentDescription* inDesc) override;
  OSStatus instanceNew(AudioComponent inComponent, AudioUnit* outInstance) override;
  OSStatus instanceDispose(AudioUnit inInstance) override;

  const std::vector<SimulatedAudioCall>& calls() const { return instrumentation_.calls(); }
  void clearCalls() { instrumentation_.clearCalls(); }
  void failCall(const SimulatedCallFailure& failure) { instrumentation_.addFailure(failure); }
  void clearCallFailures() { instrumentation_.clearFailures(); }
  // While no device thread runs.
  void failOnAudioPath(const SimulatedAudioPathFailure& failure) {
    instrumentation_.setAudioPathFailure(failure);
  }
  void clearAudioPathFailure() { instrumentation_.setAudioPathFailure(std::nullopt); }

  std::size_t liveInstanceCount() const { return instances_.size(); }

 private:
  SimulatedUnitKind componentKind(AudioComponent component) const;
  AudioComponent component(SimulatedUnitKind kind);

  SimulatedAudioWorld& world_;
  SimulatedVarispeedFactory varispeedFactory_;
  SimulatedAudioInstrumentation instrumentation_;
  // Their addresses are the component tokens, so a token from another port is never mistaken for
  // one.
  std::byte hardwareComponent_{};
  std::byte varispeedComponent_{};
  std::vector<std::unique_ptr<SimulatedAudioRecordedUnit>> instances_;
};
