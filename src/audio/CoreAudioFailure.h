#pragma once

// The one error value of the audio path: the step that was attempted, as a short imperative
// phrase ("Enable audio input"), and the status it failed with. Thrown out of an engine start and
// carried by snapshots as a runtime failure. Its fields are set once, at construction, together
// with the description built from them.

#include <exception>
#include <string>

#include "platform/CoreAudioTypes.h"

class CoreAudioFailure : public std::exception {
 public:
  // `platformText`: the platform's own words for what went wrong, when it gave any.
  CoreAudioFailure(std::string operation, OSStatus status, std::string platformText = {});

  // "Enable audio input failed (OSStatus, -50)." or, when the status's bytes are printable,
  // "… failed ('!dat', 560226676)."
  const std::string& errorDescription() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  std::string operation;
  OSStatus status;
  std::string platformText;

 private:
  // The status as four quoted characters when all are printable ASCII, else "OSStatus".
  static std::string fourCharacterCode(OSStatus status);

  std::string description_;
};
