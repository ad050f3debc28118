#include "platform/pipewire/NodeProperties.h"

#include <pipewire/keys.h>
#include <spa/utils/dict.h>

#include <charconv>
#include <string_view>

#include "platform/pipewire/ChannelPositions.h"

namespace {

// A positive decimal number, whole text; anything else, or one beyond 32 bits, is no number.
UInt32 positiveNumber(const char* text) {
  if (text == nullptr) return 0;
  const std::string_view digits(text);
  UInt32 value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc{} && end == digits.data() + digits.size() ? value : 0;
}

}  // namespace

NodeProperties parseNodeProperties(const spa_dict& properties) {
  const char* name = spa_dict_lookup(&properties, PW_KEY_NODE_NAME);
  const char* description = spa_dict_lookup(&properties, PW_KEY_NODE_DESCRIPTION);
  const char* mediaClass = spa_dict_lookup(&properties, PW_KEY_MEDIA_CLASS);
  const char* positions = spa_dict_lookup(&properties, "audio.position");
  NodeProperties node;
  node.name = name != nullptr ? name : "";
  // An empty description would leave the device nameless in the pickers.
  node.description = description != nullptr && *description != '\0' ? description : node.name;
  const std::string_view kind = mediaClass != nullptr ? mediaClass : "";
  node.hasInput = kind.starts_with("Audio/Source") || kind == "Audio/Duplex";
  node.hasOutput = kind == "Audio/Sink" || kind == "Audio/Duplex";
  node.channels = positiveNumber(spa_dict_lookup(&properties, PW_KEY_AUDIO_CHANNELS));
  if (positions != nullptr) node.positions = parseChannelPositions(positions);
  if (const UInt32 rate = positiveNumber(spa_dict_lookup(&properties, PW_KEY_AUDIO_RATE))) {
    node.pinnedRate = rate;
  }
  return node;
}
