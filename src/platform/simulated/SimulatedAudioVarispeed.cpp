#include "platform/simulated/SimulatedAudioVarispeed.h"

#include "platform/resampler/VarispeedUnit.h"

SimulatedVarispeedFactory makeSimulatedVarispeedFactory() {
  return [] { return std::make_unique<VarispeedUnit>(); };
}
