#include "platform/pipewire/NodeProperties.h"

#include <gtest/gtest.h>
#include <spa/utils/dict.h>

namespace {

// Counts and rates are whole positive numbers; anything else, including a number that only wraps
// into range, reads as absent rather than as some other plausible value.
TEST(NodeProperties, ReadsOnlyWholePositiveNumbersAsCountsAndRates) {
  struct Row {
    const char* text;
    UInt32 channels;
    std::optional<double> rate;
  };
  for (const Row& row : std::vector<Row>{{"2", 2, 2.0},
                                         {"384000", 384000, 384000.0},
                                         {"4294967298", 0, std::nullopt},
                                         {"-44100", 0, std::nullopt},
                                         {"8 channels", 0, std::nullopt},
                                         {"", 0, std::nullopt},
                                         {"0", 0, std::nullopt}}) {
    const spa_dict_item items[] = {
        {"audio.channels", row.text}, {"audio.rate", row.text}, {"media.class", "Audio/Source"}};
    const NodeProperties node = parseNodeProperties(SPA_DICT_INIT_ARRAY(items));
    EXPECT_EQ(node.channels, row.channels) << row.text;
    EXPECT_EQ(node.pinnedRate, row.rate) << row.text;
    EXPECT_TRUE(node.hasInput);
    EXPECT_FALSE(node.hasOutput);
  }
}

}  // namespace
