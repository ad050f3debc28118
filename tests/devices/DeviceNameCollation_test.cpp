#include <gtest/gtest.h>

#include <locale>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "devices/DeviceNameCollation.h"

namespace {

std::vector<AudioInputDevice> named(const std::vector<std::string>& names) {
  std::vector<AudioInputDevice> devices;
  AudioObjectID id = 10;
  for (const std::string& name : names) {
    AudioInputDevice device;
    device.id = id++;
    device.name = name;
    devices.push_back(device);
  }
  return devices;
}

std::vector<std::string> namesOf(const std::vector<AudioInputDevice>& devices) {
  std::vector<std::string> names;
  for (const AudioInputDevice& device : devices) names.push_back(device.name);
  return names;
}

std::optional<std::locale> germanLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
    try {
      return std::locale(name);
    } catch (const std::runtime_error&) {
    }
  }
  return std::nullopt;
}

TEST(DeviceNameCollationTest, CaseIsIgnoredAndEqualNamesKeepTheirArrivalOrder) {
  const DeviceNameCollation collation(std::locale::classic());
  EXPECT_EQ(collation.compare("Élan", "élan"), 0);
  EXPECT_LT(collation.compare("bass", "USB"), 0);
  EXPECT_GT(collation.compare("Zoom", "apogee"), 0);
  EXPECT_LT(collation.compare("Mic", "Mic 2"), 0);
  EXPECT_EQ(DeviceNameCollation::forUserLocale().compare("Interface", "INTERFACE"), 0);
  auto devices = named({"usb", "Beta", "USB", "alpha", "Usb", "BETA"});
  collation.sortByName(devices);
  std::vector<AudioObjectID> ids;
  for (const AudioInputDevice& device : devices) ids.push_back(device.id);
  EXPECT_EQ(ids, (std::vector<AudioObjectID>{13, 11, 15, 10, 12, 14}));
}

TEST(DeviceNameCollationTest, LocaleOrdersAccentedLettersWithTheirBaseLetter) {
  const auto german = germanLocale();
  if (!german) GTEST_SKIP() << "no German locale installed";
  const DeviceNameCollation collation(*german);
  EXPECT_EQ(collation.compare("Ärger", "ärger"), 0);
  EXPECT_LT(collation.compare("Äpfel", "Birne"), 0);
  auto devices = named({"Zither", "Öl", "orgel", "ÖL"});
  collation.sortByName(devices);
  EXPECT_EQ(namesOf(devices), (std::vector<std::string>{"Öl", "ÖL", "orgel", "Zither"}));
}

TEST(DeviceNameCollationTest, FindsAWordWhateverItsCase) {
  const DeviceNameCollation classic(std::locale::classic());
  EXPECT_TRUE(classic.containsIgnoringCase("FOCUSRITE SCARLETT 2i2", "Scarlett"));
  EXPECT_TRUE(classic.containsIgnoringCase("scarlett", "Scarlett"));
  EXPECT_FALSE(classic.containsIgnoringCase("Scarlet Audio", "Scarlett"));
  const auto german = germanLocale();
  if (!german) GTEST_SKIP() << "no German locale installed";
  EXPECT_TRUE(DeviceNameCollation(*german).containsIgnoringCase("ÜBERSPIELER", "überspieler"));
}

}  // namespace
