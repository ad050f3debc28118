#pragma once

#include <cstdint>
#include <optional>

#include "audio/RouteLatency.h"

// How large the drift ring of a route must be.
struct RingSizing {
  std::uint32_t targetFrames;
  std::uint32_t capacityRequestFrames;
};

// Absent when the sizes cannot be represented. The standard target covers 70 ms of input, one
// maximal varispeed pull plus one maximal output block, and an input block beyond the usual 8192
// frames. The low target is the larger of two blocks and one maximal pull plus one output block,
// the blocks being the largest each device reports; with a block size unknown it is the standard
// one. Either way the capacity holds at least one second of input, twice the target, and the
// target plus one input block, so that a write of a whole input block always has room.
std::optional<RingSizing> ringSizing(double inputSampleRate, double outputSampleRate,
                                     std::uint32_t inputBufferFrameSize,
                                     std::uint32_t outputBufferFrameSize,
                                     RouteLatency latency = RouteLatency::standard);
