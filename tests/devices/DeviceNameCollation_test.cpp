#include "devices/DeviceNameCollation.h"

#include <gtest/gtest.h>

#include <locale>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

std::optional<std::locale> germanLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
    try {
      return std::locale(name);
    } catch (const std::runtime_error&) {
    }
  }
  return std::nullopt;
}

int sign(int value) {
  return (value > 0) - (value < 0);
}

TEST(DeviceNameCollationTest, ComparesAndSearchesIgnoringCaseAccentsFollowTheLocale) {
  const struct {
    bool german;
    const char* left;
    const char* right;
    int order;
  } rows[] = {{false, "Élan", "élan", 0},   {false, "bass", "USB", -1},
              {false, "Zoom", "apogee", 1}, {false, "Mic", "Mic 2", -1},
              {true, "Ärger", "ärger", 0},  {true, "Äpfel", "Birne", -1},
              {true, "Öl", "orgel", -1},    {true, "orgel", "Zither", -1}};
  const auto german = germanLocale();
  for (const auto& row : rows) {
    if (row.german && !german) continue;
    const DeviceNameCollation collation(row.german ? *german : std::locale::classic());
    EXPECT_EQ(sign(collation.compare(row.left, row.right)), row.order) << row.left << row.right;
  }
  EXPECT_EQ(DeviceNameCollation::forUserLocale().compare("Interface", "INTERFACE"), 0);
  const DeviceNameCollation classic(std::locale::classic());
  EXPECT_TRUE(classic.containsIgnoringCase("FOCUSRITE SCARLETT 2i2", "Scarlett"));
  EXPECT_TRUE(classic.containsIgnoringCase("scarlett", "Scarlett"));
  EXPECT_FALSE(classic.containsIgnoringCase("Scarlet Audio", "Scarlett"));
  if (!german) GTEST_SKIP() << "no German locale installed";
  EXPECT_TRUE(DeviceNameCollation(*german).containsIgnoringCase("ÜBERSPIELER", "überspieler"));
}

}  // namespace
