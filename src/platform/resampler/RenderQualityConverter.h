#pragma once

#include "platform/CoreAudioTypes.h"

// The libsamplerate converter (SRC_SINC_BEST_QUALITY, SRC_LINEAR, ...) that renders a given
// kAudioUnitProperty_RenderQuality (0 to 127). The bands follow the platform's named levels
// (kRenderQuality_Low, _Medium, _High); docs/performance-varispeed.md has the cost and SNR measured
// for each converter, which is why the top band stops where it does.
int converterForRenderQuality(UInt32 quality);
