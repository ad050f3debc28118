#include "platform/resampler/VarispeedStreamFormat.h"

#include <cmath>

bool isVarispeedStreamFormat(const AudioStreamBasicDescription& format) {
  constexpr AudioFormatFlags kPlanarFloat =
      kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  return std::isfinite(format.mSampleRate) && format.mSampleRate >= 8000.0 &&
         format.mSampleRate <= 192000.0 && format.mFormatID == kAudioFormatLinearPCM &&
         format.mFormatFlags == kPlanarFloat && format.mBytesPerPacket == 4 &&
         format.mFramesPerPacket == 1 && format.mBytesPerFrame == 4 &&
         format.mChannelsPerFrame == 2 && format.mBitsPerChannel == 32;
}
