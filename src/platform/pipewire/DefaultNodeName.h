#pragma once

#include <string>

// The node name in a default-node metadata value such as {"name":"alsa_output.pci"}; empty when
// the value is null, not an object, or has no readable name.
std::string defaultNodeName(const char* value);
