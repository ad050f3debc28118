#pragma once

#include "platform/AudioCaptureAuthorization.h"

// Whether the application may record audio input, as the controller tracks it.
enum class MicrophonePermission { notDetermined, authorized, denied, restricted };

// Any status the platform may add later counts as restricted: access is off and the user cannot
// be asked.
constexpr MicrophonePermission microphonePermission(AVAuthorizationStatus status) {
  switch (status) {
    case AVAuthorizationStatusNotDetermined:
      return MicrophonePermission::notDetermined;
    case AVAuthorizationStatusDenied:
      return MicrophonePermission::denied;
    case AVAuthorizationStatusAuthorized:
      return MicrophonePermission::authorized;
    default:
      return MicrophonePermission::restricted;
  }
}
