#include "platform/InMemoryKeyValueStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

using Write = InMemoryKeyValueStore::Write;
using std::string;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(InMemoryKeyValueStoreTest, MissingKeysReadNeutralAndWritesReplaceInLoggedOrder) {
  InMemoryKeyValueStore store;
  EXPECT_EQ(store.stringForKey("key"), std::nullopt);
  EXPECT_EQ(store.integerForKey("key"), 0);
  EXPECT_FALSE(store.boolForKey("key"));
  store.setString("key", "text");
  store.setInteger("key", 5);
  store.setBool("flag", true);
  store.removeObject("key");
  EXPECT_FALSE(store.hasObject("key"));
  EXPECT_TRUE(store.hasObject("flag"));
  EXPECT_EQ(store.writes(), (std::vector<Write>{{"key", string("text")},
                                                {"key", std::int64_t{5}},
                                                {"flag", true},
                                                {"key", std::nullopt}}));
}

struct Conversion {
  KeyValueStoreValue stored;
  std::int64_t integer;
  bool flag;
};

TEST(InMemoryKeyValueStoreTest, ReadsEveryKindAsIntegerAndBool) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Conversion rows[] = {
      {std::int64_t{-12}, -12, true},
      {kMin, kMin, true},
      {true, 1, true},
      {false, 0, false},
      {2.99, 2, true},
      {-0.5, 0, true},
      {-0.0, 0, false},
      {1e30, kMax, true},
      {-9223372036854775808.0, kMin, true},
      {nan, 0, true},
      {string("  \t+17px"), 17, true},
      {string("-3.9"), -3, true},
      {string("+-4"), 0, false},
      {string("0x10"), 0, false},
      {string("9223372036854775808"), kMax, true},
      {string("-9223372036854775809"), kMin, true},
      {string("YES"), 0, true},
      {string(" t"), 0, true},
      {string("NO"), 0, false},
      {string("000"), 0, false},
      {string(""), 0, false},
  };
  InMemoryKeyValueStore store;
  for (const Conversion& row : rows) {
    store.setValue("key", row.stored);
    SCOPED_TRACE(store.stringForKey("key").value_or("?"));
    EXPECT_EQ(store.integerForKey("key"), row.integer);
    EXPECT_EQ(store.boolForKey("key"), row.flag);
  }
}

TEST(InMemoryKeyValueStoreTest, ReadsEveryKindAsText) {
  InMemoryKeyValueStore store;
  const std::pair<KeyValueStoreValue, string> rows[] = {
      {std::int64_t{-42}, "-42"}, {true, "1"}, {0.5, "0.5"}, {48000.0, "48000"}};
  for (const auto& [stored, text] : rows) {
    store.setValue("key", stored);
    EXPECT_EQ(store.stringForKey("key"), text);
  }
}

}  // namespace
