#include "platform/pipewire/NodeFormat.h"

#include <gtest/gtest.h>
#include <spa/param/audio/format.h>
#include <spa/param/format.h>
#include <spa/param/param.h>
#include <spa/pod/builder.h>

namespace {

// A node may publish a position that is no array: the format still reads, quietly.
TEST(NodeFormat, APositionThatIsNoArrayReadsAsNoPositionsWithoutComplaint) {
  std::uint8_t buffer[512];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
  spa_pod_frame frame;
  spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_add(&builder, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_audio),
                      SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
                      SPA_FORMAT_AUDIO_channels, SPA_POD_Int(2), SPA_FORMAT_AUDIO_position,
                      SPA_POD_Int(3), 0);
  const auto* pod = static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
  testing::internal::CaptureStderr();
  const auto format = parseNodeFormat(pod);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_TRUE(format);
  EXPECT_EQ(format->channels, 2u);
  EXPECT_TRUE(format->positions.empty());
}

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

}  // namespace
