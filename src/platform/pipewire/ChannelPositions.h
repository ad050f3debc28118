#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// PipeWire's channel positions ("FL", "AUX3") as node properties spell them, and the names a person
// reads for them.

// Splits "[ FL FR ]" or "FL,FR" into its positions.
std::vector<std::string> parseChannelPositions(std::string_view text);

// "Front Left" for "FL", "Auxiliary 3" for "AUX3"; absent for a position that names nothing
// ("UNK", "NA").
std::optional<std::string> readableChannelName(std::string_view position);
