#pragma once

// The three render callbacks of the audio path. They run on real-time threads: they never
// allocate, lock, log, block or throw; failures go back as the callback status and into the ring
// buffer's error slot.

#include "platform/CoreAudioTypes.h"

// Input device's thread: pulls the two mapped channels from the input unit into the ring buffer.
// inRefCon is a CaptureCallbackContext.
OSStatus captureInputCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                              const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                              UInt32 inNumberFrames, AudioBufferList* ioData);

// Output device's thread, nested in the varispeed's render: feeds it from the ring buffer.
// inRefCon is a RingReadCallbackContext.
OSStatus ringReadCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                          const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                          UInt32 inNumberFrames, AudioBufferList* ioData);

// Output device's thread: pulls the varispeed, applies the mute/fade envelope, then steers the
// playback rate from the ring's fill. inRefCon is a PlaybackCallbackContext.
OSStatus playbackOutputCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                                UInt32 inNumberFrames, AudioBufferList* ioData);

// The proportional rate the drift controller aims for at a fill level, clamped to ±1000 ppm.
double driftTargetRate(double bufferedFrames, double targetFrames);
