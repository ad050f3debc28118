#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/CaptureProgress.h"
#include "audio/SampleTimeGap.h"
#include "platform/AudioUnitPort.h"
#include "ringbuffer/VXRingBuffer.h"

// What the capture callback needs on the input device's real-time thread. Built and released on
// the main thread by the engine; while the input unit runs only captureInputCallback touches it.
class CaptureCallbackContext {
 public:
  CaptureCallbackContext(VXRingBufferRef ring, std::uint32_t maximumFrames);
  CaptureCallbackContext(const CaptureCallbackContext&) = delete;
  CaptureCallbackContext& operator=(const CaptureCallbackContext&) = delete;

  VXRingBufferRef ring;
  std::uint32_t maximumFrames;
  std::vector<float> left;
  std::vector<float> right;
  const std::vector<float> silence;  // what stands in for input the device's clock passed

 private:
  std::unique_ptr<std::byte[]> bufferListStorage_;

 public:
  // Two one-channel buffers pointing at left and right; only the byte sizes change afterwards.
  AudioBufferList* bufferList;
  AudioUnit audioUnit = nullptr;
  // Where each write is recorded for the output side; absent, nothing is recorded.
  CaptureProgress* progress = nullptr;
  SampleTimeGap inputGap;
};
