#include "audio/CoreAudioFailure.h"

#include <cstdint>
#include <utility>

CoreAudioFailure::CoreAudioFailure(std::string operation, OSStatus status, std::string platformText)
    : operation(std::move(operation)),
      status(status),
      platformText(std::move(platformText)),
      description_(this->operation + " failed (" + fourCharacterCode(status) + ", " +
                   std::to_string(status) + ").") {}

std::string CoreAudioFailure::fourCharacterCode(OSStatus status) {
  const auto bits = static_cast<std::uint32_t>(status);
  std::string code = "'";
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto byte = static_cast<unsigned char>(bits >> shift);
    if (byte < 0x20 || byte > 0x7E) return "OSStatus";
    code += static_cast<char>(byte);
  }
  return code + "'";
}
