#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <locale>
#include <optional>
#include <string>

#include "devices/AudioChannelPair.h"
#include "devices/AudioFormatDescription.h"
#include "devices/DeviceNameCollation.h"

namespace {

// The rate keeps its point whatever the C locale says.
TEST(AudioFormatDescriptionTest, RateInKilohertzToOneDigitThenTheHardwareFormat) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  const std::optional<AudioDeviceFormat> none, int24 = AudioDeviceFormat{24, false};
  const struct {
    double rate;
    std::optional<AudioDeviceFormat> format;
    std::optional<std::string> text;
  } rows[] = {
      {48000, int24, "48.0 kHz / 24-bit"},
      {44100, AudioDeviceFormat{32, true}, "44.1 kHz / 32-bit float"},
      {1234560, none, "1234.6 kHz"},
      {22050, none, "22.1 kHz"},  // 22.05 is stored just above 22.05
      {std::numeric_limits<double>::denorm_min(), none, "0.0 kHz"},
      {0.0, int24, std::nullopt},
      {-48000, none, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), none, std::nullopt},
  };
  for (const auto& row : rows)
    EXPECT_EQ(AudioFormatDescription::signalPath(row.rate, row.format), row.text) << row.rate;
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ((AudioChannelPair{10, 17, "", ""}.shortLabel()), "Inputs 11 / 18");
}

// Case is ignored beyond ASCII, even in the classic locale.
TEST(DeviceNameCollationTest, IgnoresLetterCaseInTheClassicLocale) {
  const DeviceNameCollation classic(std::locale::classic());
  EXPECT_EQ(classic.compare("Élan", "élan"), 0);
  EXPECT_TRUE(classic.containsIgnoringCase("FOCUSRITE SCARLETT 2i2", "Scarlett"));
  EXPECT_FALSE(classic.containsIgnoringCase("Scarlet Audio", "Scarlett"));
}

}  // namespace
