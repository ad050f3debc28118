#include "devices/TechnicalNumberFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Installs a locale as both the C and the C++ global locale and puts the previous ones back.
class GlobalLocale {
 public:
  explicit GlobalLocale(const char* name)
      : previousCpp_(std::locale()), previousC_(std::setlocale(LC_ALL, nullptr)) {
    std::locale::global(std::locale(name));
    std::setlocale(LC_ALL, name);
  }
  ~GlobalLocale() {
    std::locale::global(previousCpp_);
    std::setlocale(LC_ALL, previousC_.c_str());
  }
  GlobalLocale(const GlobalLocale&) = delete;
  GlobalLocale& operator=(const GlobalLocale&) = delete;

 private:
  std::locale previousCpp_;
  std::string previousC_;
};

std::string printfFixed(double value, int digits) {
  const int length = std::snprintf(nullptr, 0, "%.*f", digits, value);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", digits, value);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void expectMatchesPrintf(double value, int digits) {
  EXPECT_EQ(TechnicalNumberFormat::fixed(value, digits), printfFixed(value, digits))
      << "value " << std::hexfloat << value << " digits " << digits;
}

TEST(TechnicalNumberFormatTest, NonFiniteValuesAreADash) {
  EXPECT_EQ(TechnicalNumberFormat::fixed(kNaN, 2), "\u2014");
  EXPECT_EQ(TechnicalNumberFormat::fixed(-kNaN, 2), "\u2014");
  EXPECT_EQ(TechnicalNumberFormat::fixed(kInfinity, 0), "\u2014");
  EXPECT_EQ(TechnicalNumberFormat::fixed(-kInfinity, 3), "\u2014");
  EXPECT_EQ(TechnicalNumberFormat::fixed(kNaN, -1), "\u2014");
}

TEST(TechnicalNumberFormatTest, NegativeDigitCountActsAsZero) {
  EXPECT_EQ(TechnicalNumberFormat::fixed(2.71828, -1), "3");
  EXPECT_EQ(TechnicalNumberFormat::fixed(2.71828, std::numeric_limits<int>::min()), "3");
  EXPECT_EQ(TechnicalNumberFormat::fixed(-2.5, -7), "-2");
}

TEST(TechnicalNumberFormatTest, NoGroupingAndKeptNegativeSign) {
  EXPECT_EQ(TechnicalNumberFormat::fixed(1234.56, 1), "1234.6");
  EXPECT_EQ(TechnicalNumberFormat::fixed(1234567.0, 0), "1234567");
  EXPECT_EQ(TechnicalNumberFormat::fixed(-0.04, 1), "-0.0");
  EXPECT_EQ(TechnicalNumberFormat::fixed(-0.0, 2), "-0.00");
  EXPECT_EQ(TechnicalNumberFormat::fixed(0.0, 0), "0");
}

class TechnicalNumberFormatPrintfTest : public ::testing::Test {
 protected:
  GlobalLocale cLocale_{"C"};
};

TEST_F(TechnicalNumberFormatPrintfTest, HalfwayCasesRoundLikePrintf) {
  // Exactly representable halves round to even; decimal "halves" that are stored slightly off
  // round by their true binary value.
  for (const double value : {0.125, 0.375, 2.5, 3.5, -2.5, 0.5, 1.5, 1.005, 2.675, 1.45, 0.045,
                             1e22 + 0.5, 4503599627370495.5, 0.0625}) {
    for (int digits = 0; digits <= 4; ++digits) expectMatchesPrintf(value, digits);
  }
  EXPECT_EQ(TechnicalNumberFormat::fixed(0.125, 2), "0.12");
  EXPECT_EQ(TechnicalNumberFormat::fixed(2.5, 0), "2");
}

TEST_F(TechnicalNumberFormatPrintfTest, ExtremeMagnitudes) {
  const double values[] = {1e300,
                           -1e300,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           1e-300,
                           9.999999999999999e-5,
                           0.99999,
                           9.5,
                           99.95,
                           -0.0,
                           0.0};
  for (const double value : values) {
    for (const int digits : {0, 1, 2, 6, 17, 20, 40}) expectMatchesPrintf(value, digits);
  }
}

TEST_F(TechnicalNumberFormatPrintfTest, ManyDigitsAreExact) {
  // Every binary fraction of a double is a finite decimal: printf prints all 1074 digits of the
  // smallest subnormal exactly, and further digits as zeros.
  for (const int digits : {100, 330, 767, 1074, 1100, 3000}) {
    expectMatchesPrintf(std::numeric_limits<double>::denorm_min(), digits);
    expectMatchesPrintf(0.1, digits);
    expectMatchesPrintf(-std::numeric_limits<double>::max(), digits);
  }
}

TEST_F(TechnicalNumberFormatPrintfTest, RandomValuesAcrossMagnitudes) {
  std::mt19937_64 generator(20240611);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-25, 25);
  std::uniform_int_distribution<int> digitCount(0, 18);
  for (int round = 0; round < 20000; ++round) {
    const double value = mantissa(generator) * std::pow(10.0, exponent(generator));
    expectMatchesPrintf(value, digitCount(generator));
  }
}

TEST_F(TechnicalNumberFormatPrintfTest, RandomBitPatterns) {
  std::mt19937_64 generator(7);
  std::uniform_int_distribution<int> digitCount(0, 30);
  int checked = 0;
  while (checked < 5000) {
    const double value = std::bit_cast<double>(generator());
    if (!std::isfinite(value)) continue;
    expectMatchesPrintf(value, digitCount(generator));
    ++checked;
  }
}

TEST_F(TechnicalNumberFormatPrintfTest, RatesInKilohertz) {
  for (int rate = 8000; rate <= 192000; rate += 25) expectMatchesPrintf(rate / 1000.0, 1);
}

TEST(TechnicalNumberFormatLocaleTest, DecimalPointStaysAPointUnderACommaLocale) {
  const GlobalLocale german("de_DE.UTF-8");
  // The locale really is in force for printf, so the formatter is seen to ignore it.
  ASSERT_EQ(printfFixed(1234.56, 1), "1234,6");
  EXPECT_EQ(TechnicalNumberFormat::fixed(1234.56, 1), "1234.6");
  EXPECT_EQ(TechnicalNumberFormat::fixed(1234567.891, 2), "1234567.89");
  EXPECT_EQ(TechnicalNumberFormat::fixed(-0.04, 1), "-0.0");
}

}  // namespace
