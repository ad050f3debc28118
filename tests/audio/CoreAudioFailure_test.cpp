#include "audio/CoreAudioFailure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <limits>
#include <optional>
#include <string>

namespace {

std::string describe(const std::string& operation, std::uint32_t bits) {
  return CoreAudioFailure(operation, static_cast<OSStatus>(bits)).errorDescription();
}

TEST(CoreAudioFailureTest, DescribesOperationAndStatus) {
  EXPECT_EQ(CoreAudioFailure("Enable audio input", kAudio_ParamError).errorDescription(),
            "Enable audio input failed (OSStatus, -50).");
  EXPECT_EQ(CoreAudioFailure("Use a standard PCM rate up to 192 kHz for the input route",
                             kAudioDeviceUnsupportedFormatError)
                .errorDescription(),
            "Use a standard PCM rate up to 192 kHz for the input route failed ('!dat', "
            "560226676).");
}

TEST(CoreAudioFailureTest, KeepsItsFields) {
  const CoreAudioFailure failure("Start the system output", kAudio_MemFullError);
  EXPECT_EQ(failure.operation, "Start the system output");
  EXPECT_EQ(failure.status, -108);
}

TEST(CoreAudioFailureTest, PrintableStatusesRenderAsQuotedCharacters) {
  EXPECT_EQ(describe("Read", 0x20202020), "Read failed ('    ', 538976288).");
  EXPECT_EQ(describe("Read", 0x7E7E7E7E), "Read failed ('~~~~', 2122219134).");
  EXPECT_EQ(describe("Read", FourCharCode("who?")), "Read failed ('who?', 2003332927).");
  EXPECT_EQ(describe("Read", FourCharCode("stop")), "Read failed ('stop', 1937010544).");
}

TEST(CoreAudioFailureTest, AnyUnprintableByteRendersAsOSStatus) {
  EXPECT_EQ(describe("Read", 0), "Read failed (OSStatus, 0).");
  EXPECT_EQ(describe("Read", 1), "Read failed (OSStatus, 1).");
  // One unprintable byte in each position, just outside the printable range on either side.
  EXPECT_EQ(describe("Read", 0x7E7E7E7F), "Read failed (OSStatus, 2122219135).");
  EXPECT_EQ(describe("Read", 0x7E7E1F7E), "Read failed (OSStatus, 2122194814).");
  EXPECT_EQ(describe("Read", 0x7E7F7E7E), "Read failed (OSStatus, 2122284670).");
  EXPECT_EQ(describe("Read", 0x1F202020), "Read failed (OSStatus, 522199072).");
  EXPECT_EQ(describe("Read", 0x80212121), "Read failed (OSStatus, -2145312479).");
}

TEST(CoreAudioFailureTest, NegativeStatusesRenderAsOSStatusWithTheirSign) {
  EXPECT_EQ(CoreAudioFailure("Open", kAudio_UnimplementedError).errorDescription(),
            "Open failed (OSStatus, -4).");
  EXPECT_EQ(CoreAudioFailure("Open", kAudioUnitErr_FormatNotSupported).errorDescription(),
            "Open failed (OSStatus, -10868).");
  EXPECT_EQ(CoreAudioFailure("Open", std::numeric_limits<OSStatus>::min()).errorDescription(),
            "Open failed (OSStatus, -2147483648).");
  // Every byte 0xFF.
  EXPECT_EQ(CoreAudioFailure("Open", -1).errorDescription(), "Open failed (OSStatus, -1).");
}

TEST(CoreAudioFailureTest, EmptyOperationStillDescribed) {
  EXPECT_EQ(CoreAudioFailure("", kAudio_ParamError).errorDescription(), " failed (OSStatus, -50).");
}

TEST(CoreAudioFailureTest, ThrownAndCaughtAsStandardException) {
  bool caught = false;
  try {
    throw CoreAudioFailure("Initialize the system output", kAudioHardwareNotRunningError);
  } catch (const std::exception& error) {
    caught = true;
    EXPECT_STREQ(error.what(), "Initialize the system output failed ('stop', 1937010544).");
    const auto* failure = dynamic_cast<const CoreAudioFailure*>(&error);
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->status, kAudioHardwareNotRunningError);
    EXPECT_EQ(failure->errorDescription(), error.what());
  }
  EXPECT_TRUE(caught);
}

TEST(CoreAudioFailureTest, CopiesCarryTheirOwnDescription) {
  std::optional<CoreAudioFailure> kept;
  {
    const CoreAudioFailure original("Enable audio input", kAudio_ParamError);
    kept = original;
  }
  ASSERT_TRUE(kept.has_value());
  EXPECT_STREQ(kept->what(), "Enable audio input failed (OSStatus, -50).");
  kept = CoreAudioFailure("Start the system output", kAudio_MemFullError);
  EXPECT_EQ(kept->errorDescription(), "Start the system output failed (OSStatus, -108).");
  EXPECT_STREQ(kept->what(), "Start the system output failed (OSStatus, -108).");
}

}  // namespace
