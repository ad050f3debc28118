#include "devices/TechnicalNumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>

std::string TechnicalNumberFormat::fixed(double value, int fractionDigits) {
  if (!std::isfinite(value)) return "\u2014";
  const int digits = fractionDigits < 0 ? 0 : fractionDigits;
  // std::to_chars never consults the locale and rounds exactly as printf does. The buffer holds
  // the sign, every integer digit of the largest double, the point and the fraction digits, so
  // the conversion always fits.
  constexpr std::size_t integerPart = std::numeric_limits<double>::max_exponent10 + 1;
  std::string text(1 + integerPart + 1 + static_cast<std::size_t>(digits), '\0');
  const std::to_chars_result result = std::to_chars(text.data(), text.data() + text.size(), value,
                                                    std::chars_format::fixed, digits);
  text.resize(static_cast<std::size_t>(result.ptr - text.data()));
  return text;
}
