#pragma once

#include "platform/CoreAudioTypes.h"

// The filter half-length, in frames at the higher of the two rates, of the zita-resampler
// VResampler that renders a given kAudioUnitProperty_RenderQuality (0 to 127). The bands follow the
// platform's named levels (kRenderQuality_Low, _Medium); docs/performance.md has the cost and
// quality measured for each, which is why the top bands stop at 32.
unsigned converterForRenderQuality(UInt32 quality);
