#pragma once

// A key-value store held in memory, for tests and for running without a persistent domain. It
// keeps a log of every write so that callers can check what was written and in which order.
// Main thread only.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/KeyValueStore.h"
#include "platform/KeyValueStoreValue.h"

class InMemoryKeyValueStore final : public KeyValueStore {
 public:
  // One write: a stored value, or a removal when value is absent.
  struct Write {
    std::string key;
    std::optional<KeyValueStoreValue> value;

    bool operator==(const Write&) const = default;
  };

  bool hasObject(const std::string& key) const override;
  std::optional<std::string> stringForKey(const std::string& key) const override;
  std::int64_t integerForKey(const std::string& key) const override;
  bool boolForKey(const std::string& key) const override;

  void setString(const std::string& key, const std::string& value) override;
  void setInteger(const std::string& key, std::int64_t value) override;
  void setBool(const std::string& key, bool value) override;
  void removeObject(const std::string& key) override;

  // Stores any value, including kinds the port never writes (floating point), as another
  // program or an older version could have left them.
  void setValue(const std::string& key, KeyValueStoreValue value);
  std::optional<KeyValueStoreValue> valueForKey(const std::string& key) const;
  const std::vector<Write>& writes() const { return writes_; }

 private:
  std::map<std::string, KeyValueStoreValue> values_;
  std::vector<Write> writes_;
};
