#pragma once

#include <memory>

#include "platform/CoreAudioTypes.h"

// An AudioBufferList of two one-channel buffers, allocated once. Retargeting it is plain stores, so
// a render thread may do so; construction allocates and belongs to the main thread.
class StereoBufferList {
 public:
  StereoBufferList();

  AudioBufferList* get() { return list_; }

  // Points buffer 0 at left and buffer 1 at right, each holding `frames` 32-bit floats.
  void point(float* left, float* right, UInt32 frames);

 private:
  std::unique_ptr<std::byte[]> storage_;
  AudioBufferList* list_;
};
