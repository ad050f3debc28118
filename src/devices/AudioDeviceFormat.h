#pragma once

// The sample format the hardware itself runs at.

#include <cstdint>
#include <string>

struct AudioDeviceFormat {
  std::uint32_t bitDepth = 0;
  bool isFloatingPoint = false;

  // "24-bit" or "32-bit float".
  std::string shortDescription() const {
    return std::to_string(bitDepth) + (isFloatingPoint ? "-bit float" : "-bit");
  }

  bool operator==(const AudioDeviceFormat&) const = default;
};
