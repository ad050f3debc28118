#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

// A single-producer, single-consumer queue of stereo frames between two audio threads, for
// carrying a captured pair to a playback stream in the tests. Neither side allocates or locks.
namespace pipewire_test {

class StereoFifo {
 public:
  explicit StereoFifo(std::size_t capacityFrames) : left_(capacityFrames), right_(capacityFrames) {}

  // Producer thread only. Frames that do not fit are dropped.
  void write(const float* left, const float* right, std::size_t frames) {
    const std::size_t head = written_.load(std::memory_order_relaxed);
    const std::size_t free = left_.size() - (head - read_.load(std::memory_order_acquire));
    frames = std::min(frames, free);
    for (std::size_t i = 0; i < frames; ++i) {
      left_[(head + i) % left_.size()] = left[i];
      right_[(head + i) % right_.size()] = right[i];
    }
    written_.store(head + frames, std::memory_order_release);
  }

  // Consumer thread only. Answers the frames read; the rest of the block is silence.
  std::size_t read(float* left, float* right, std::size_t frames) {
    const std::size_t tail = read_.load(std::memory_order_relaxed);
    const std::size_t available = written_.load(std::memory_order_acquire) - tail;
    const std::size_t count = std::min(frames, available);
    for (std::size_t i = 0; i < count; ++i) {
      left[i] = left_[(tail + i) % left_.size()];
      right[i] = right_[(tail + i) % right_.size()];
    }
    std::fill(left + count, left + frames, 0.0f);
    std::fill(right + count, right + frames, 0.0f);
    read_.store(tail + count, std::memory_order_release);
    return count;
  }

  // Either thread.
  std::size_t buffered() const {
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
  }

 private:
  std::vector<float> left_;
  std::vector<float> right_;
  // Release by the side that advances it, acquire by the other: publishes the samples.
  std::atomic<std::size_t> written_{0};
  std::atomic<std::size_t> read_{0};
};

}  // namespace pipewire_test
