#pragma once

// The devices of --demo, on the simulated platform: an 8-input interface playing a test tone into
// inputs 1 and 2, and stereo speakers as the system output. The world then runs against the real
// clock, so the program can be tried without any audio server. Main thread, before the controller
// exists.

#include "platform/simulated/SimulatedPlatform.h"

void plugDemoDevices(SimulatedPlatform& platform);
