#pragma once

// The platform's permission to record audio input, with the platform's status values. A status
// read may return a value this program does not know; callers map it themselves.

#include <cstdint>
#include <functional>

using AVAuthorizationStatus = std::int64_t;
constexpr AVAuthorizationStatus AVAuthorizationStatusNotDetermined = 0;
constexpr AVAuthorizationStatus AVAuthorizationStatusRestricted = 1;
constexpr AVAuthorizationStatus AVAuthorizationStatusDenied = 2;
constexpr AVAuthorizationStatus AVAuthorizationStatusAuthorized = 3;

class AudioCaptureAuthorization {
 public:
  virtual ~AudioCaptureAuthorization() = default;

  // Main thread.
  virtual AVAuthorizationStatus authorizationStatus() = 0;
  // Main thread. Asks the user when they have not answered before; calls `completion` once, on any
  // thread, with whether access was granted.
  virtual void requestAccess(std::function<void(bool granted)> completion) = 0;
};
