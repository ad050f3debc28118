#pragma once

// What a node's property dictionary says about it, as the registry hands it over. The values come
// from whoever published the node, so every field is read defensively.

#include <optional>
#include <string>
#include <vector>

#include "platform/CoreAudioTypes.h"

struct spa_dict;

struct NodeProperties {
  std::string name;         // node.name
  std::string description;  // node.description, or the name when it has none or an empty one
  bool hasInput = false;
  bool hasOutput = false;
  UInt32 channels = 0;  // audio.channels; 0 when absent or not a count
  std::vector<std::string> positions;
  std::optional<double> pinnedRate;  // audio.rate, when a positive whole number
};

NodeProperties parseNodeProperties(const spa_dict& properties);
