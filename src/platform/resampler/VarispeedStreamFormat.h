#pragma once

#include "platform/CoreAudioTypes.h"

// The one layout the varispeed converter handles on either side: two channels of 32-bit float, each
// channel in its own packed buffer, at 8 to 192 kHz.
bool isVarispeedStreamFormat(const AudioStreamBasicDescription& format);
