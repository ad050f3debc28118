#include "devices/AppPreferences.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/InMemoryKeyValueStore.h"

namespace {

using Write = InMemoryKeyValueStore::Write;

class AppPreferencesTest : public ::testing::Test {
 protected:
  InMemoryKeyValueStore store_;
  AppPreferences preferences_{store_};
};

TEST_F(AppPreferencesTest, FreshStoreHasNoDeviceNoPairAndIsNotMuted) {
  EXPECT_EQ(preferences_.inputDeviceUID(), std::nullopt);
  EXPECT_EQ(preferences_.channelPair(), std::nullopt);
  EXPECT_FALSE(preferences_.isMuted());
  EXPECT_TRUE(store_.writes().empty());
}

TEST_F(AppPreferencesTest, InputDeviceUIDRoundTripsAndRemoves) {
  preferences_.setInputDeviceUID("AppleUSBAudioEngine:Studio:1");
  EXPECT_EQ(preferences_.inputDeviceUID(), "AppleUSBAudioEngine:Studio:1");
  EXPECT_EQ(store_.valueForKey("inputDeviceUID"),
            KeyValueStoreValue{std::string("AppleUSBAudioEngine:Studio:1")});
  preferences_.setInputDeviceUID(std::string());
  EXPECT_EQ(preferences_.inputDeviceUID(), "");
  preferences_.setInputDeviceUID(std::nullopt);
  EXPECT_EQ(preferences_.inputDeviceUID(), std::nullopt);
  EXPECT_FALSE(store_.hasObject("inputDeviceUID"));
}

TEST_F(AppPreferencesTest, ChannelPairRoundTripsAsTwoIntegers) {
  preferences_.setChannelPair(std::pair{2, 3});
  EXPECT_EQ(preferences_.channelPair(), (std::pair{2, 3}));
  EXPECT_EQ(store_.writes(), (std::vector<Write>{{"leftChannel", std::int64_t{2}},
                                                 {"rightChannel", std::int64_t{3}}}));
}

TEST_F(AppPreferencesTest, PairOfZeroAndOneIsPresentThoughZeroIsAlsoTheMissingValue) {
  preferences_.setChannelPair(std::pair{0, 1});
  EXPECT_EQ(preferences_.channelPair(), (std::pair{0, 1}));
  store_.setInteger("rightChannel", 0);
  EXPECT_EQ(preferences_.channelPair(), (std::pair{0, 0}));
}

TEST_F(AppPreferencesTest, OneChannelKeyAloneIsNoPair) {
  store_.setInteger("leftChannel", 4);
  EXPECT_EQ(preferences_.channelPair(), std::nullopt);
  store_.removeObject("leftChannel");
  store_.setInteger("rightChannel", 5);
  EXPECT_EQ(preferences_.channelPair(), std::nullopt);
}

TEST_F(AppPreferencesTest, AbsentPairRemovesLeftThenRight) {
  preferences_.setChannelPair(std::pair{6, 7});
  const std::size_t before = store_.writes().size();
  preferences_.setChannelPair(std::nullopt);
  EXPECT_EQ(preferences_.channelPair(), std::nullopt);
  EXPECT_FALSE(store_.hasObject("leftChannel"));
  EXPECT_FALSE(store_.hasObject("rightChannel"));
  const std::vector<Write> removals(store_.writes().begin() + static_cast<std::ptrdiff_t>(before),
                                    store_.writes().end());
  EXPECT_EQ(removals,
            (std::vector<Write>{{"leftChannel", std::nullopt}, {"rightChannel", std::nullopt}}));
}

TEST_F(AppPreferencesTest, MutedRoundTripsAsBoolean) {
  preferences_.setMuted(true);
  EXPECT_TRUE(preferences_.isMuted());
  EXPECT_EQ(store_.valueForKey("muted"), KeyValueStoreValue{true});
  preferences_.setMuted(false);
  EXPECT_FALSE(preferences_.isMuted());
  EXPECT_TRUE(store_.hasObject("muted"));
}

TEST_F(AppPreferencesTest, ReadsWriteNothing) {
  store_.setString("inputDeviceUID", "dev");
  store_.setInteger("leftChannel", 0);
  store_.setInteger("rightChannel", 1);
  store_.setBool("muted", true);
  const std::size_t before = store_.writes().size();
  EXPECT_EQ(preferences_.inputDeviceUID(), "dev");
  EXPECT_EQ(preferences_.channelPair(), (std::pair{0, 1}));
  EXPECT_TRUE(preferences_.isMuted());
  EXPECT_EQ(store_.writes().size(), before);
}

TEST_F(AppPreferencesTest, KeysAreIndependent) {
  preferences_.setInputDeviceUID("dev");
  preferences_.setChannelPair(std::pair{0, 1});
  preferences_.setMuted(true);
  preferences_.setChannelPair(std::nullopt);
  EXPECT_EQ(preferences_.inputDeviceUID(), "dev");
  EXPECT_TRUE(preferences_.isMuted());
  preferences_.setInputDeviceUID(std::nullopt);
  EXPECT_TRUE(preferences_.isMuted());
}

TEST_F(AppPreferencesTest, NonIntegerChannelValuesReadThroughTheStoresConversion) {
  store_.setValue("leftChannel", 2.9);
  store_.setValue("rightChannel", std::string("3 and more"));
  EXPECT_EQ(preferences_.channelPair(), (std::pair{2, 3}));
  store_.setValue("leftChannel", true);
  store_.setValue("rightChannel", std::string("right"));
  EXPECT_EQ(preferences_.channelPair(), (std::pair{1, 0}));
  store_.setValue("leftChannel", -1.5);
  store_.setValue("rightChannel", std::string("  -7"));
  EXPECT_EQ(preferences_.channelPair(), (std::pair{-1, -7}));
}

TEST_F(AppPreferencesTest, OutOfRangeChannelValuesSaturateInsteadOfWrapping) {
  store_.setInteger("leftChannel", std::int64_t{1} << 32);
  store_.setInteger("rightChannel", -(std::int64_t{1} << 32) + 1);
  EXPECT_EQ(preferences_.channelPair(),
            (std::pair{std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}));
}

TEST_F(AppPreferencesTest, UIDReadsNumbersAsTheirText) {
  store_.setInteger("inputDeviceUID", 42);
  EXPECT_EQ(preferences_.inputDeviceUID(), "42");
}

TEST_F(AppPreferencesTest, MutedReadsNonBooleanValuesThroughTheStoresConversion) {
  store_.setValue("muted", std::string("YES"));
  EXPECT_TRUE(preferences_.isMuted());
  store_.setValue("muted", std::string("no"));
  EXPECT_FALSE(preferences_.isMuted());
  store_.setInteger("muted", 2);
  EXPECT_TRUE(preferences_.isMuted());
  store_.setValue("muted", 0.0);
  EXPECT_FALSE(preferences_.isMuted());
}

}  // namespace
