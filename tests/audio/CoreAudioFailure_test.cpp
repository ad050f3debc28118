#include "audio/CoreAudioFailure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

// Four printable bytes read as a code in quotes; anything else as a plain status number.
TEST(CoreAudioFailureTest, DescribesTheOperationAndTheStatusAsACodeOrANumber) {
  const struct {
    std::uint32_t status;
    const char* shown;
  } rows[] = {
      {static_cast<std::uint32_t>(kAudio_ParamError), "(OSStatus, -50)"},
      {static_cast<std::uint32_t>(kAudioDeviceUnsupportedFormatError), "('!dat', 560226676)"},
      {0x20202020, "('    ', 538976288)"},
      {0x7E7E7E7E, "('~~~~', 2122219134)"},
      {0, "(OSStatus, 0)"},
      {0x7E7E7E7F, "(OSStatus, 2122219135)"},
      {0x7E7E1F7E, "(OSStatus, 2122194814)"},
      {0x1F202020, "(OSStatus, 522199072)"},
      {0x80212121, "(OSStatus, -2145312479)"},
      {static_cast<std::uint32_t>(std::numeric_limits<OSStatus>::min()),
       "(OSStatus, -2147483648)"}};
  for (const auto& row : rows) {
    EXPECT_EQ(CoreAudioFailure("Read", static_cast<OSStatus>(row.status)).errorDescription(),
              std::string("Read failed ") + row.shown + ".");
  }
  EXPECT_STREQ(
      CoreAudioFailure("Initialize the system output", kAudioHardwareNotRunningError).what(),
      "Initialize the system output failed ('stop', 1937010544).");
}

}  // namespace
