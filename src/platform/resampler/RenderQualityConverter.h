#pragma once

#include "platform/CoreAudioTypes.h"

// The libsamplerate converter (SRC_SINC_MEDIUM_QUALITY, SRC_LINEAR, ...) that renders a given
// kAudioUnitProperty_RenderQuality (0 to 127). The bands follow the platform's named levels
// (kRenderQuality_Low, _Medium); docs/performance.md has the cost and quality measured for each
// converter, which is why the top bands stop at the medium sinc.
int converterForRenderQuality(UInt32 quality);
