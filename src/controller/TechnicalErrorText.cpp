#include "controller/TechnicalErrorText.h"

#include "controller/PlatformWording.h"

namespace {

// The statuses the audio adapters report, in the words of what went wrong.
const char* statusWords(OSStatus status) {
  switch (status) {
    case kAudioDeviceUnsupportedFormatError:
      return "unsupported format";
    case kAudioHardwareBadObjectError:
      return "no such device";
    case kAudioHardwareBadPropertySizeError:
      return "unexpected property size";
    case kAudioHardwareNotRunningError:
      return "device not running";
    case kAudioHardwareUnknownPropertyError:
      return "unknown property";
    case kAudio_MemFullError:
      return "out of memory";
    case kAudio_ParamError:
      return "invalid parameter";
    case kAudio_UnimplementedError:
      return "not supported";
    default:
      return "error";
  }
}

}  // namespace

std::string technicalErrorText(const CoreAudioFailure& failure) {
  std::string text = platformWording.namesStatusesInWords
                         ? failure.operation + " failed (" + statusWords(failure.status) + ", " +
                               std::to_string(failure.status) + ")."
                         : failure.errorDescription();
  if (!failure.platformText.empty()) {
    text += std::string(" ") + platformWording.serviceName + ": " + failure.platformText + ".";
  }
  return text;
}
