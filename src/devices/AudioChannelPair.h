#pragma once

// One selectable stereo pair of input channels. Channel indices count from 0; only the visible
// label counts from 1.

#include <string>

struct AudioChannelPair {
  int leftChannel = 0;
  int rightChannel = 0;
  std::string leftName;
  std::string rightName;

  // The pair's identity for selection ("0-1"); records with different channel names may share it.
  std::string id() const {
    return std::to_string(leftChannel) + "-" + std::to_string(rightChannel);
  }

  // "Inputs 1 / 2" for the pair 0-1.
  std::string shortLabel() const {
    return "Inputs " + std::to_string(leftChannel + 1) + " / " + std::to_string(rightChannel + 1);
  }

  bool operator==(const AudioChannelPair&) const = default;
};
