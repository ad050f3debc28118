#include "platform/pipewire/NodeFormat.h"
#include "platform/pipewire/NodeProperties.h"

#include <gtest/gtest.h>
#include <spa/param/format.h>
#include <spa/param/param.h>
#include <spa/pod/builder.h>
#include <spa/utils/dict.h>

namespace {

// A choice too short for its first value is skipped, not read past its end; here what lies beyond
// it would read as an audio media type.
TEST(NodeFormat, AChoiceWithoutAWholeValueIsNotReadPastItsEnd) {
  alignas(8) std::uint8_t buffer[512];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
  spa_pod_frame frame;
  spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_add(&builder, SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), 0);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaType, 0);
  const std::uint32_t truncatedChoice[4] = {8, SPA_TYPE_Choice, SPA_CHOICE_None, 0};
  spa_pod_builder_raw(&builder, truncatedChoice, sizeof truncatedChoice);
  const auto* pod = static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
  const std::uint32_t beyond[4] = {4, SPA_TYPE_Id, SPA_MEDIA_TYPE_audio, 0};
  spa_pod_builder_raw(&builder, beyond, sizeof beyond);
  EXPECT_FALSE(parseNodeFormat(pod));
}

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
  }
}

}  // namespace
