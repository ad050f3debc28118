#include "platform/InMemoryKeyValueStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>

using std::string;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// Every kind as text, integer and bool, as the user-defaults store converts it.
TEST(InMemoryKeyValueStoreTest, ReadsEveryKindAsTextIntegerAndBool) {
  const std::tuple<KeyValueStoreValue, std::int64_t, bool, string> rows[] = {
      {std::int64_t{-42}, -42, true, "-42"},
      {true, 1, true, "1"},
      {-2.5, -2, true, "-2.5"},
      {1e30, kMax, true, "1e+30"},
      {std::numeric_limits<double>::quiet_NaN(), 0, true, "nan"},
      {string("  \t+17px"), 17, true, "  \t+17px"},
      {string("-3.9"), -3, true, "-3.9"},
      {string("+-4"), 0, false, "+-4"},
      {string("0x10"), 0, false, "0x10"},
      {string("-9223372036854775809"), kMin, true, "-9223372036854775809"},
      {string(" y"), 0, true, " y"},
      {string("-007"), -7, true, "-007"},
  };
  InMemoryKeyValueStore store;
  for (const auto& [stored, integer, flag, text] : rows) {
    store.setValue("key", stored);
    SCOPED_TRACE(text);
    EXPECT_EQ(store.stringForKey("key"), text);
    EXPECT_EQ(store.integerForKey("key"), integer);
    EXPECT_EQ(store.boolForKey("key"), flag);
  }
}
