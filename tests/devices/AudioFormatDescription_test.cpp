#include "devices/AudioFormatDescription.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "devices/AudioChannelPair.h"

namespace {

TEST(AudioFormatDescriptionTest, RateInKilohertzToOneDigitThenTheHardwareFormat) {
  const std::optional<AudioDeviceFormat> none;
  const struct {
    double rate;
    std::optional<AudioDeviceFormat> format;
    std::optional<std::string> text;
  } rows[] = {
      {48000, AudioDeviceFormat{24, false}, "48.0 kHz / 24-bit"},
      {44100, AudioDeviceFormat{32, true}, "44.1 kHz / 32-bit float"},
      {88200, none, "88.2 kHz"},
      {22050, none, "22.1 kHz"},  // 22.05 is stored just above 22.05
      {std::numeric_limits<double>::denorm_min(), none, "0.0 kHz"},
      {0.0, AudioDeviceFormat{24, false}, std::nullopt},
      {-48000, none, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), none, std::nullopt},
      {std::numeric_limits<double>::infinity(), none, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(AudioFormatDescription::signalPath(row.rate, row.format), row.text) << row.rate;
  }
  EXPECT_EQ((AudioChannelPair{10, 17, "", ""}.shortLabel()), "Inputs 11 / 18");
}

}  // namespace
