#pragma once

// The user-defaults store's conversions of a stored value to a requested type, shared by the
// stores that keep plain values themselves.

#include <cstdint>
#include <string>

#include "platform/KeyValueStoreValue.h"

struct KeyValueStoreConversions {
  KeyValueStoreConversions() = delete;

  static std::string toString(const KeyValueStoreValue& value);
  // Out-of-range floating point and text saturate; NaN reads as 0.
  static std::int64_t toInteger(const KeyValueStoreValue& value);
  static bool toBool(const KeyValueStoreValue& value);
};
