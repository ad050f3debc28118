#pragma once

// The audio-capture permission as a test scripts it: the status reads whatever the test set, and
// a request stays open until the test answers it, from the test thread or any other.

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/AudioCaptureAuthorization.h"

class ScriptedAudioCaptureAuthorization final : public AudioCaptureAuthorization {
 public:
  AVAuthorizationStatus authorizationStatus() override {
    std::lock_guard lock(mutex_);
    ++statusReads_;
    return status_;
  }
  void requestAccess(std::function<void(bool granted)> completion) override {
    std::lock_guard lock(mutex_);
    open_.push_back(std::move(completion));
    ++requests_;
  }

  void setStatus(AVAuthorizationStatus status) {
    std::lock_guard lock(mutex_);
    status_ = status;
  }
  // Answers the oldest open prompt as the platform does: the status changes first, then the
  // completion runs on the calling thread. False when no prompt is open.
  bool answer(bool granted) {
    std::function<void(bool)> completion;
    {
      std::lock_guard lock(mutex_);
      if (open_.empty()) return false;
      completion = std::move(open_.front());
      open_.erase(open_.begin());
      status_ = granted ? AVAuthorizationStatusAuthorized : AVAuthorizationStatusDenied;
    }
    completion(granted);
    return true;
  }
  std::size_t statusReads() const { return statusReads_; }
  std::size_t requests() const { return requests_; }

 private:
  std::mutex mutex_;  // guards the status and the open prompts
  AVAuthorizationStatus status_ = AVAuthorizationStatusAuthorized;
  std::vector<std::function<void(bool)>> open_;
  // Counted under the mutex, read without it: sequentially consistent.
  std::atomic<std::size_t> requests_ = 0, statusReads_ = 0;
};
