// The "default" metadata's value for the default sink, as any client may have written it.

#include <cstdint>
#include <string>

#include "platform/pipewire/DefaultNodeName.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  static_cast<void>(defaultNodeName(value.c_str()));
  return 0;
}
