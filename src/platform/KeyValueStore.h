#pragma once

// The application's persistent key-value store, shaped like the platform's user-defaults store:
// typed reads convert whatever is stored the way that store does, and missing keys read as the
// neutral value of the type. Main thread only.

#include <cstdint>
#include <optional>
#include <string>

class KeyValueStore {
 public:
  virtual ~KeyValueStore() = default;

  virtual bool hasObject(const std::string& key) const = 0;
  // Text as stored, numbers as their decimal text; absent when missing.
  virtual std::optional<std::string> stringForKey(const std::string& key) const = 0;
  // Integers as stored, booleans 1/0, floating point truncated, text by its leading decimal
  // integer; 0 when missing or not convertible.
  virtual std::int64_t integerForKey(const std::string& key) const = 0;
  // Non-zero numbers are true; text is true when it starts with Y, y, T, t or a digit 1 to 9;
  // false when missing.
  virtual bool boolForKey(const std::string& key) const = 0;

  virtual void setString(const std::string& key, const std::string& value) = 0;
  virtual void setInteger(const std::string& key, std::int64_t value) = 0;
  virtual void setBool(const std::string& key, bool value) = 0;
  virtual void removeObject(const std::string& key) = 0;
};
