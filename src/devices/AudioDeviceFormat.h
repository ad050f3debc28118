#pragma once

// The sample format the hardware itself runs at.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "devices/HashCombine.h"

struct AudioDeviceFormat {
  std::uint32_t bitDepth = 0;
  bool isFloatingPoint = false;

  // "24-bit" or "32-bit float".
  std::string shortDescription() const {
    return std::to_string(bitDepth) + (isFloatingPoint ? "-bit float" : "-bit");
  }

  bool operator==(const AudioDeviceFormat&) const = default;
};

template <>
struct std::hash<AudioDeviceFormat> {
  std::size_t operator()(const AudioDeviceFormat& format) const noexcept {
    std::size_t seed = 0;
    hashField(seed, format.bitDepth);
    hashField(seed, format.isFloatingPoint);
    return seed;
  }
};
