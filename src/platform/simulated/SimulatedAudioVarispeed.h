#pragma once

#include "platform/simulated/SimulatedAudioComponents.h"

// The varispeed factory the simulated platform uses unless a test brings its own: the real
// converter.
SimulatedVarispeedFactory makeSimulatedVarispeedFactory();
