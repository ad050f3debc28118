#include "devices/AppPreferences.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/InMemoryKeyValueStore.h"

namespace {

TEST(AppPreferencesTest, ChoicesPersistUnderTheirOwnKeysAndForgettingRemovesThem) {
  InMemoryKeyValueStore store;
  AppPreferences preferences(store);
  EXPECT_FALSE(preferences.inputDeviceUID() || preferences.channelPair() || preferences.isMuted());

  preferences.setInputDeviceUID("studio:1");
  preferences.setChannelPair(std::pair{0, 1});
  preferences.setMuted(true);
  preferences.setLowLatency(true);
  const AppPreferences reopened(store);
  EXPECT_EQ(reopened.inputDeviceUID(), "studio:1");
  EXPECT_EQ(reopened.channelPair(), (std::pair{0, 1})) << "0 is also the missing value";
  EXPECT_TRUE(reopened.isMuted());
  EXPECT_TRUE(reopened.isLowLatency());

  preferences.setChannelPair(std::nullopt);
  preferences.setInputDeviceUID(std::nullopt);
  EXPECT_EQ(store.writes(),
            (std::vector<InMemoryKeyValueStore::Write>{{"inputDeviceUID", std::string("studio:1")},
                                                       {"leftChannel", std::int64_t{0}},
                                                       {"rightChannel", std::int64_t{1}},
                                                       {"muted", true},
                                                       {"lowLatency", true},
                                                       {"leftChannel", std::nullopt},
                                                       {"rightChannel", std::nullopt},
                                                       {"inputDeviceUID", std::nullopt}}));
  EXPECT_FALSE(reopened.inputDeviceUID() || reopened.channelPair());

  // A half pair, a negative channel, a channel past 32 bits or past 1024: no pair saved.
  store.setInteger("leftChannel", 4);
  EXPECT_EQ(reopened.channelPair(), std::nullopt);
  for (const auto& [left, right] : std::vector<std::pair<std::int64_t, std::int64_t>>{
           {-1, 7}, {std::int64_t{1} << 32, 1}, {1, 1024}}) {
    store.setInteger("leftChannel", left);
    store.setInteger("rightChannel", right);
    EXPECT_EQ(reopened.channelPair(), std::nullopt) << left << " " << right;
  }
}

}  // namespace
