#pragma once

#include "audio/CaptureProgress.h"
#include "audio/SampleTimeGap.h"
#include "platform/AudioUnitPort.h"
#include "ringbuffer/VXRingBuffer.h"

// What the playback callback needs. While the output unit runs only playbackOutputCallback, on the
// output device's real-time thread, touches it.
struct PlaybackCallbackContext {
  VXRingBufferRef ring;
  double outputSampleRate;
  AudioUnit varispeedUnit;
  double filteredPlaybackRate = 1.0;  // the smoothed drift correction, output thread only
  // The capture side's writes, to read the fill between them; absent, the plain fill is used.
  const CaptureProgress* captureProgress = nullptr;
  double inputSampleRate = 0.0;  // the ring's frames per second; 0 drops nothing for a gap
  SampleTimeGap outputGap{};
};
