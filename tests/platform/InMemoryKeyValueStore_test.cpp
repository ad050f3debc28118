#include "platform/InMemoryKeyValueStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Write = InMemoryKeyValueStore::Write;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(InMemoryKeyValueStoreTest, MissingKeysReadAsNeutralValues) {
  const InMemoryKeyValueStore store;
  EXPECT_FALSE(store.hasObject("key"));
  EXPECT_EQ(store.stringForKey("key"), std::nullopt);
  EXPECT_EQ(store.integerForKey("key"), 0);
  EXPECT_FALSE(store.boolForKey("key"));
  EXPECT_EQ(store.valueForKey("key"), std::nullopt);
}

TEST(InMemoryKeyValueStoreTest, WritesReplaceAndAreLoggedInOrder) {
  InMemoryKeyValueStore store;
  store.setString("key", "text");
  store.setInteger("key", 5);
  store.setBool("flag", true);
  store.removeObject("key");
  store.removeObject("never");
  EXPECT_FALSE(store.hasObject("key"));
  EXPECT_TRUE(store.hasObject("flag"));
  EXPECT_EQ(store.writes(), (std::vector<Write>{{"key", std::string("text")},
                                                {"key", std::int64_t{5}},
                                                {"flag", true},
                                                {"key", std::nullopt},
                                                {"never", std::nullopt}}));
}

class ConversionTest : public ::testing::Test {
 protected:
  std::int64_t integerOf(KeyValueStoreValue value) {
    store_.setValue("key", std::move(value));
    return store_.integerForKey("key");
  }
  bool boolOf(KeyValueStoreValue value) {
    store_.setValue("key", std::move(value));
    return store_.boolForKey("key");
  }
  std::optional<std::string> stringOf(KeyValueStoreValue value) {
    store_.setValue("key", std::move(value));
    return store_.stringForKey("key");
  }

  InMemoryKeyValueStore store_;
};

TEST_F(ConversionTest, IntegerFromEveryKind) {
  EXPECT_EQ(integerOf(std::int64_t{-12}), -12);
  EXPECT_EQ(integerOf(kMin), kMin);
  EXPECT_EQ(integerOf(true), 1);
  EXPECT_EQ(integerOf(false), 0);
  EXPECT_EQ(integerOf(2.99), 2);
  EXPECT_EQ(integerOf(-2.99), -2);
  EXPECT_EQ(integerOf(-0.5), 0);
}

TEST_F(ConversionTest, IntegerFromFloatingPointSaturates) {
  EXPECT_EQ(integerOf(1e30), kMax);
  EXPECT_EQ(integerOf(-1e30), kMin);
  EXPECT_EQ(integerOf(9223372036854775808.0), kMax);
  EXPECT_EQ(integerOf(-9223372036854775808.0), kMin);
  EXPECT_EQ(integerOf(std::numeric_limits<double>::infinity()), kMax);
  EXPECT_EQ(integerOf(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(ConversionTest, IntegerFromTextTakesTheLeadingDecimalInteger) {
  EXPECT_EQ(integerOf(std::string("17")), 17);
  EXPECT_EQ(integerOf(std::string("  \t+17px")), 17);
  EXPECT_EQ(integerOf(std::string("-3.9")), -3);
  EXPECT_EQ(integerOf(std::string("007")), 7);
  EXPECT_EQ(integerOf(std::string("left")), 0);
  EXPECT_EQ(integerOf(std::string("")), 0);
  EXPECT_EQ(integerOf(std::string("-")), 0);
  EXPECT_EQ(integerOf(std::string("+-4")), 0);
  EXPECT_EQ(integerOf(std::string("0x10")), 0);
}

TEST_F(ConversionTest, IntegerFromTextSaturatesOnOverflow) {
  EXPECT_EQ(integerOf(std::string("9223372036854775807")), kMax);
  EXPECT_EQ(integerOf(std::string("9223372036854775808")), kMax);
  EXPECT_EQ(integerOf(std::string("-9223372036854775808")), kMin);
  EXPECT_EQ(integerOf(std::string("-9223372036854775809")), kMin);
  EXPECT_EQ(integerOf(std::string("123456789012345678901234567890")), kMax);
}

TEST_F(ConversionTest, BoolFromEveryKind) {
  EXPECT_TRUE(boolOf(std::int64_t{-1}));
  EXPECT_FALSE(boolOf(std::int64_t{0}));
  EXPECT_TRUE(boolOf(0.25));
  EXPECT_FALSE(boolOf(-0.0));
  EXPECT_TRUE(boolOf(std::string("YES")));
  EXPECT_TRUE(boolOf(std::string("true")));
  EXPECT_TRUE(boolOf(std::string(" t")));
  EXPECT_TRUE(boolOf(std::string("1")));
  EXPECT_TRUE(boolOf(std::string("-007")));
  EXPECT_FALSE(boolOf(std::string("NO")));
  EXPECT_FALSE(boolOf(std::string("false")));
  EXPECT_FALSE(boolOf(std::string("000")));
  EXPECT_FALSE(boolOf(std::string("")));
}

TEST_F(ConversionTest, StringFromEveryKind) {
  EXPECT_EQ(stringOf(std::string("uid")), "uid");
  EXPECT_EQ(stringOf(std::int64_t{-42}), "-42");
  EXPECT_EQ(stringOf(true), "1");
  EXPECT_EQ(stringOf(false), "0");
  EXPECT_EQ(stringOf(0.5), "0.5");
  EXPECT_EQ(stringOf(48000.0), "48000");
}

}  // namespace
