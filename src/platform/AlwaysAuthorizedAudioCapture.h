#pragma once

// Audio capture on a system without a per-application capture permission: access is always
// granted, and a request answers at once on the calling thread.

#include "platform/AudioCaptureAuthorization.h"

class AlwaysAuthorizedAudioCapture final : public AudioCaptureAuthorization {
 public:
  AVAuthorizationStatus authorizationStatus() override { return AVAuthorizationStatusAuthorized; }
  void requestAccess(std::function<void(bool granted)> completion) override { completion(true); }
};
