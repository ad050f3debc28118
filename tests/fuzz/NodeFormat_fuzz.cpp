// A node's EnumFormat parameter as the registry delivers it: any pod that fits its own size.

#include <spa/pod/pod.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/pipewire/NodeFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(spa_pod)) return 0;
  // Pods arrive 8-byte aligned.
  std::vector<std::uint64_t> aligned((size + 7) / 8);
  std::memcpy(aligned.data(), data, size);
  const auto* pod = reinterpret_cast<const spa_pod*>(aligned.data());
  if (SPA_POD_SIZE(pod) > size) return 0;
  static_cast<void>(parseNodeFormat(pod));
  return 0;
}
