#include "devices/TechnicalNumberFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

namespace {

TEST(TechnicalNumberFormatTest, PointNoGroupingDashForNonFiniteEvenUnderACommaLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  const struct {
    double value;
    int digits;
    const char* text;
  } rows[] = {{1234.56, 1, "1234.6"},
              {1234567.891, 2, "1234567.89"},
              {44.1, 1, "44.1"},
              {-0.04, 1, "-0.0"},
              {2.5, 0, "2"},
              {2.71828, -1, "3"},
              {std::numeric_limits<double>::quiet_NaN(), 2, "\u2014"},
              {-std::numeric_limits<double>::infinity(), 0, "\u2014"}};
  for (const auto& row : rows) {
    EXPECT_EQ(TechnicalNumberFormat::fixed(row.value, row.digits), row.text) << row.value;
  }
  std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
