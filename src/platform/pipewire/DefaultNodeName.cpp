#include "platform/pipewire/DefaultNodeName.h"

#include <spa/utils/json.h>

#include <array>
#include <cstring>
#include <string_view>

std::string defaultNodeName(const char* value) {
  if (value == nullptr) return {};
  spa_json iterator;
  spa_json object;
  spa_json_init(&iterator, value, std::strlen(value));
  if (spa_json_enter_object(&iterator, &object) <= 0) return {};
  std::array<char, 256> key{};
  while (spa_json_get_string(&object, key.data(), key.size()) > 0) {
    std::array<char, 1024> text{};
    if (std::string_view(key.data()) == "name") {
      return spa_json_get_string(&object, text.data(), text.size()) > 0 ? text.data() : "";
    }
    const char* skipped = nullptr;
    if (spa_json_next(&object, &skipped) <= 0) break;
  }
  return {};
}
