#include "devices/AudioFormatDescription.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(AudioFormatDescriptionTest, RateAndFormat) {
  EXPECT_EQ(AudioFormatDescription::signalPath(48000, AudioDeviceFormat{24, false}),
            "48.0 kHz / 24-bit");
  EXPECT_EQ(AudioFormatDescription::signalPath(44100, AudioDeviceFormat{32, true}),
            "44.1 kHz / 32-bit float");
  EXPECT_EQ(AudioFormatDescription::signalPath(192000, AudioDeviceFormat{16, false}),
            "192.0 kHz / 16-bit");
}

TEST(AudioFormatDescriptionTest, RateAloneWithoutFormat) {
  EXPECT_EQ(AudioFormatDescription::signalPath(44100, std::nullopt), "44.1 kHz");
  EXPECT_EQ(AudioFormatDescription::signalPath(96000, std::nullopt), "96.0 kHz");
  EXPECT_EQ(AudioFormatDescription::signalPath(88200, std::nullopt), "88.2 kHz");
  // Rounded to one fraction digit as printf does: 22.05 is stored just above 22.05.
  EXPECT_EQ(AudioFormatDescription::signalPath(22050, std::nullopt), "22.1 kHz");
  EXPECT_EQ(AudioFormatDescription::signalPath(1, std::nullopt), "0.0 kHz");
}

TEST(AudioFormatDescriptionTest, NoTextForRatesThatAreNotPositiveAndFinite) {
  const std::optional<AudioDeviceFormat> format = AudioDeviceFormat{24, false};
  for (const double rate : {0.0, -0.0, -48000.0, kNaN, kInfinity, -kInfinity}) {
    SCOPED_TRACE(rate);
    EXPECT_EQ(AudioFormatDescription::signalPath(rate, format), std::nullopt);
    EXPECT_EQ(AudioFormatDescription::signalPath(rate, std::nullopt), std::nullopt);
  }
}

TEST(AudioFormatDescriptionTest, SmallestPositiveRateStillDescribed) {
  EXPECT_EQ(
      AudioFormatDescription::signalPath(std::numeric_limits<double>::denorm_min(), std::nullopt),
      "0.0 kHz");
}

}  // namespace
