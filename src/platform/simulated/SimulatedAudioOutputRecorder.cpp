#include "platform/simulated/SimulatedAudioOutputRecorder.h"

#include <algorithm>

SimulatedAudioOutputRecorder::SimulatedAudioOutputRecorder(std::size_t capacityFrames)
    : left_(capacityFrames), right_(capacityFrames) {}

SimulatedOutputSink SimulatedAudioOutputRecorder::sink() {
  return [this](const SimulatedOutputBlock& block) { record(block); };
}

void SimulatedAudioOutputRecorder::record(const SimulatedOutputBlock& block) {
  if (blocks_ == 0) {
    firstFrame_ = block.firstFrame;
  } else if (block.firstFrame != nextFrame_) {
    ++discontinuities_;
  }
  ++blocks_;
  nextFrame_ = block.firstFrame + block.left.size();
  if (block.status != noErr) ++failedBlocks_;
  const std::size_t kept = std::min(block.left.size(), left_.size() - recordedFrames_);
  std::copy_n(block.left.begin(), kept, left_.begin() + recordedFrames_);
  std::copy_n(block.right.begin(), kept, right_.begin() + recordedFrames_);
  recordedFrames_ += kept;
  framesPastCapacity_ += block.left.size() - kept;
}
