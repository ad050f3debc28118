#include "platform/pipewire/ChannelPositions.h"

#include <array>
#include <charconv>
#include <utility>

std::vector<std::string> parseChannelPositions(std::string_view text) {
  std::vector<std::string> positions;
  std::string current;
  for (char c : text) {
    if (c == '[' || c == ']' || c == ',' || c == ' ' || c == '\t' || c == '"') {
      if (!current.empty()) positions.push_back(std::exchange(current, {}));
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) positions.push_back(std::move(current));
  return positions;
}

std::optional<std::string> readableChannelName(std::string_view position) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 27> kNames{{
      {"MONO", "Mono"},
      {"FL", "Front Left"},
      {"FR", "Front Right"},
      {"FC", "Front Center"},
      {"LFE", "Subwoofer"},
      {"SL", "Side Left"},
      {"SR", "Side Right"},
      {"FLC", "Front Left of Center"},
      {"FRC", "Front Right of Center"},
      {"RC", "Rear Center"},
      {"RL", "Rear Left"},
      {"RR", "Rear Right"},
      {"TC", "Top Center"},
      {"TFL", "Top Front Left"},
      {"TFC", "Top Front Center"},
      {"TFR", "Top Front Right"},
      {"TRL", "Top Rear Left"},
      {"TRC", "Top Rear Center"},
      {"TRR", "Top Rear Right"},
      {"RLC", "Rear Left of Center"},
      {"RRC", "Rear Right of Center"},
      {"FLW", "Front Left Wide"},
      {"FRW", "Front Right Wide"},
      {"LFE2", "Subwoofer 2"},
      {"FLH", "Front Left High"},
      {"FCH", "Front Center High"},
      {"FRH", "Front Right High"},
  }};
  for (const auto& [code, name] : kNames) {
    if (code == position) return std::string(name);
  }
  constexpr std::string_view kAux = "AUX";
  if (position.starts_with(kAux) && position.size() > kAux.size()) {
    unsigned number = 0;
    const char* first = position.data() + kAux.size();
    const char* last = position.data() + position.size();
    auto [end, error] = std::from_chars(first, last, number);
    if (error == std::errc() && end == last) return "Auxiliary " + std::to_string(number);
  }
  return std::nullopt;
}
