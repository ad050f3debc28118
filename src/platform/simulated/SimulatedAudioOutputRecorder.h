#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "platform/simulated/SimulatedAudioDevice.h"

// Keeps the first `capacityFrames` frames a simulated output device plays, in preallocated
// storage, and counts what it could not keep: frames past the capacity, blocks whose render
// failed, and breaks in the device's frame sequence.
//
// Threads: the sink runs on the device's driving thread; read the recorder while nothing drives
// the device (under virtual time, or after stopRealTime()). The recorder outlives the device's use
// of its sink.
class SimulatedAudioOutputRecorder {
 public:
  explicit SimulatedAudioOutputRecorder(std::size_t capacityFrames);

  SimulatedOutputSink sink();

  std::span<const float> left() const { return std::span(left_).first(recordedFrames_); }
  std::span<const float> right() const { return std::span(right_).first(recordedFrames_); }
  UInt64 firstFrame() const { return firstFrame_; }  // device frame of left()[0]
  UInt64 blocks() const { return blocks_; }
  UInt64 framesPastCapacity() const { return framesPastCapacity_; }
  UInt64 failedBlocks() const { return failedBlocks_; }
  UInt64 discontinuities() const { return discontinuities_; }

 private:
  void record(const SimulatedOutputBlock& block);

  std::vector<float> left_;
  std::vector<float> right_;
  std::size_t recordedFrames_ = 0;
  UInt64 firstFrame_ = 0;
  UInt64 nextFrame_ = 0;
  UInt64 blocks_ = 0;
  UInt64 framesPastCapacity_ = 0;
  UInt64 failedBlocks_ = 0;
  UInt64 discontinuities_ = 0;
};
