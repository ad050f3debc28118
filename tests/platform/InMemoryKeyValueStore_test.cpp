#include "platform/InMemoryKeyValueStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

using std::string;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// Every kind as text, integer and bool, as the user-defaults store converts it; a removed key
// reads neutral.
TEST(InMemoryKeyValueStoreTest, ReadsEveryKindAsTextIntegerAndBool) {
  struct Row {
    KeyValueStoreValue stored;
    std::int64_t integer;
    bool flag;
    string text;
  };
  const Row rows[] = {
      {std::int64_t{-42}, -42, true, "-42"},
      {true, 1, true, "1"},
      {-2.5, -2, true, "-2.5"},
      {48000.0, 48000, true, "48000"},
      {-0.0, 0, false, "-0"},
      {1e30, kMax, true, "1e+30"},
      {std::numeric_limits<double>::quiet_NaN(), 0, true, "nan"},
      {string("  \t+17px"), 17, true, "  \t+17px"},
      {string("-3.9"), -3, true, "-3.9"},
      {string("+-4"), 0, false, "+-4"},
      {string("0x10"), 0, false, "0x10"},
      {string("9223372036854775808"), kMax, true, "9223372036854775808"},
      {string("-9223372036854775809"), kMin, true, "-9223372036854775809"},
      {string(" y"), 0, true, " y"},
      {string("000"), 0, false, "000"},
  };
  InMemoryKeyValueStore store;
  for (const Row& row : rows) {
    store.setValue("key", row.stored);
    SCOPED_TRACE(row.text);
    EXPECT_EQ(store.stringForKey("key"), row.text);
    EXPECT_EQ(store.integerForKey("key"), row.integer);
    EXPECT_EQ(store.boolForKey("key"), row.flag);
  }
  store.removeObject("key");
  EXPECT_FALSE(store.hasObject("key"));
  EXPECT_EQ(store.stringForKey("key"), std::nullopt);
  EXPECT_EQ(store.integerForKey("key"), 0);
  EXPECT_FALSE(store.boolForKey("key"));
}

}  // namespace
