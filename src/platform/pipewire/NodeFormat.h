#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/CoreAudioTypes.h"

struct spa_pod;

// A node's sample format, as one of its EnumFormat parameters states it (a choice counts as its
// default value).
struct SampleFormat {
  UInt32 bitsPerChannel = 0;
  bool isFloat = false;
  bool isPlanar = false;
  friend bool operator==(const SampleFormat&, const SampleFormat&) = default;
};

struct NodeFormat {
  std::optional<SampleFormat> sample;
  UInt32 channels = 0;
  std::vector<std::string> positions;
};

// Absent unless the parameter is a raw audio format.
std::optional<NodeFormat> parseNodeFormat(const spa_pod* param);
