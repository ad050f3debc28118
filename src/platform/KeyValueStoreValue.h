#pragma once

// A value as the application's key-value store holds it: text, integer, boolean or floating point.

#include <cstdint>
#include <string>
#include <variant>

using KeyValueStoreValue = std::variant<std::string, std::int64_t, bool, double>;
