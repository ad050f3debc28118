#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/CoreAudioTypes.h"
#include "platform/HardwarePropertyPort.h"
#include "platform/pipewire/NodeFormat.h"

// What the registry says about one audio node, gathered from its bound info and EnumFormat.
struct MirroredNode {
  std::string name;         // node.name: the device's UID, stable across replugs
  std::string description;  // node.description
  bool hasInput = false;    // a capture node (source or duplex)
  bool hasOutput = false;   // a playback node (sink or duplex)
  UInt32 channels = 0;
  std::vector<std::string> positions;
  std::optional<double> pinnedRate;  // audio.rate when the node fixes its own rate
  std::optional<SampleFormat> format;
  bool inError = false;
};

// The graph's clock as the "settings" metadata configures it: the rate and quantum that a node
// runs at, whatever our own streams ask for.
struct GraphClock {
  double rate = 48000.0;
  UInt32 quantum = 1024;
  UInt32 maximumQuantum = 2048;
  friend bool operator==(const GraphClock&, const GraphClock&) = default;
};

// One property that changed on one object.
struct PropertyChange {
  AudioObjectID object;
  AudioObjectPropertySelector selector;
};
using PropertyChanges = std::vector<PropertyChange>;
