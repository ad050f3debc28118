#pragma once

#include "platform/simulated/SimulatedAudioDevice.h"

// Input signals for simulated devices, computed from the device frame index alone so that any
// block can be produced on its own, without allocating.

// amplitude · sin(2π · frequency · frame / sampleRate), the same on every channel it feeds.
SimulatedInputSignal makeSineSignal(double frequency, float amplitude, Float64 sampleRate);
