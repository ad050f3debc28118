#include "platform/KeyValueStoreConversions.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

std::string_view trimLeadingWhitespace(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
  return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

std::int64_t truncate(double value) {
  // 2^63 is exactly representable; anything at or beyond it saturates.
  constexpr double limit = 9223372036854775808.0;
  if (std::isnan(value)) return 0;
  if (value >= limit) return std::numeric_limits<std::int64_t>::max();
  if (value < -limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

// A leading decimal integer after optional whitespace and sign; trailing text is ignored.
std::int64_t leadingInteger(std::string_view text) {
  text = trimLeadingWhitespace(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (end == text.data()) return 0;
  constexpr std::uint64_t maxMagnitude = std::numeric_limits<std::int64_t>::max();
  if (error == std::errc::result_out_of_range || magnitude > maxMagnitude + (negative ? 1 : 0)) {
    return negative ? std::numeric_limits<std::int64_t>::min()
                    : std::numeric_limits<std::int64_t>::max();
  }
  return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

// True for Y, y, T, t or a digit 1 to 9 after optional whitespace, sign and leading zeros.
bool leadingTruth(std::string_view text) {
  text = trimLeadingWhitespace(text);
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  while (!text.empty() && text.front() == '0') text.remove_prefix(1);
  if (text.empty()) return false;
  const char first = text.front();
  return first == 'Y' || first == 'y' || first == 'T' || first == 't' ||
         (first >= '1' && first <= '9');
}

}  // namespace

std::string KeyValueStoreConversions::toString(const KeyValueStoreValue& value) {
  return std::visit(Overloaded{
                        [](const std::string& text) { return text; },
                        [](std::int64_t number) { return std::to_string(number); },
                        [](bool flag) { return std::string(flag ? "1" : "0"); },
                        [](double number) {
                          // Shortest round-trip form, never localised.
                          std::array<char, 32> buffer{};
                          const auto result =
                              std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
                          return std::string(buffer.data(), result.ptr);
                        },
                    },
                    value);
}

std::int64_t KeyValueStoreConversions::toInteger(const KeyValueStoreValue& value) {
  return std::visit(Overloaded{
                        [](const std::string& text) { return leadingInteger(text); },
                        [](std::int64_t number) { return number; },
                        [](bool flag) { return std::int64_t{flag ? 1 : 0}; },
                        [](double number) { return truncate(number); },
                    },
                    value);
}

bool KeyValueStoreConversions::toBool(const KeyValueStoreValue& value) {
  return std::visit(Overloaded{
                        [](const std::string& text) { return leadingTruth(text); },
                        [](std::int64_t number) { return number != 0; },
                        [](bool flag) { return flag; },
                        [](double number) { return number != 0; },
                    },
                    value);
}
