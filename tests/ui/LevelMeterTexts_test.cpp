#include "ui/LevelMeterTexts.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(LevelMeterTextsTest, SpokenDecibelsRoundHalvesAwayFromZeroAndSurviveNonFiniteReadings) {
  const double infinity = std::numeric_limits<double>::infinity();
  const std::pair<double, const char*> rows[] = {
      {-12.5, "-13"},     {-12.49, "-12"}, {-0.4, "0"},
      {-0.5, "-1"},       {0.5, "1"},      {-60.0, "-60"},
      {-infinity, "-60"}, {infinity, "0"}, {std::numeric_limits<double>::quiet_NaN(), "-60"}};
  for (const auto& [dBFS, spoken] : rows) {
    EXPECT_EQ(LevelMeterTexts::spokenDecibels(dBFS), spoken) << dBFS;
  }
}

}  // namespace
