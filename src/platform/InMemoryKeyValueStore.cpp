#include "platform/InMemoryKeyValueStore.h"

#include <utility>

#include "platform/KeyValueStoreConversions.h"

bool InMemoryKeyValueStore::hasObject(const std::string& key) const {
  return values_.contains(key);
}

std::optional<std::string> InMemoryKeyValueStore::stringForKey(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return KeyValueStoreConversions::toString(found->second);
}

std::int64_t InMemoryKeyValueStore::integerForKey(const std::string& key) const {
  const auto found = values_.find(key);
  return found == values_.end() ? 0 : KeyValueStoreConversions::toInteger(found->second);
}

bool InMemoryKeyValueStore::boolForKey(const std::string& key) const {
  const auto found = values_.find(key);
  return found != values_.end() && KeyValueStoreConversions::toBool(found->second);
}

void InMemoryKeyValueStore::setString(const std::string& key, const std::string& value) {
  setValue(key, value);
}

void InMemoryKeyValueStore::setInteger(const std::string& key, std::int64_t value) {
  setValue(key, value);
}

void InMemoryKeyValueStore::setBool(const std::string& key, bool value) {
  setValue(key, value);
}

void InMemoryKeyValueStore::removeObject(const std::string& key) {
  values_.erase(key);
  writes_.push_back(Write{key, std::nullopt});
}

void InMemoryKeyValueStore::setValue(const std::string& key, KeyValueStoreValue value) {
  values_.insert_or_assign(key, value);
  writes_.push_back(Write{key, std::move(value)});
}

std::optional<KeyValueStoreValue> InMemoryKeyValueStore::valueForKey(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}
