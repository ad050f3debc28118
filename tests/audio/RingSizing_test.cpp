#include "audio/RingSizing.h"

#include <gtest/gtest.h>

namespace {

// Whatever the row, one whole input block fits above the target. Rows 7 to 9: a large input block
// widens the target by its excess over 8192 frames. Low latency: the larger of two blocks and one
// maximal pull plus one output block; unknown blocks fall back.
TEST(RingSizing, GivesTargetAndCapacity) {
  const struct {
    double in, out;
    std::uint32_t inputBlock, outputBlock, target, capacityRequest;
    RouteLatency latency = RouteLatency::standard;
  } rows[] = {{48000, 48000, 512, 512, 8705, 48000},
              {44100, 48000, 512, 512, 8663, 44100},
              {48000, 44100, 512, 512, 8750, 48000},
              {48000, 48000, 512, 0, 16393, 48000},
              {192000, 48000, 512, 512, 13441, 192000},
              {8000, 192000, 16, 16, 8193, 16386},
              {48000, 44100, 8192, 512, 8750, 48000},
              {8000, 8000, 65536, 512, 8705 + 57344, 132098},
              {48000, 48000, 16384, 512, 8705 + 8192, 48000},
              {48000, 44100, 256, 256, 535, 48000, RouteLatency::low},
              {48000, 48000, 1024, 256, 2048, 48000, RouteLatency::low},
              {48000, 48000, 0, 256, 8449, 48000, RouteLatency::low}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    const auto sizing = ringSizing(row.in, row.out, row.inputBlock, row.outputBlock, row.latency);
    ASSERT_TRUE(sizing);
    EXPECT_EQ(sizing->targetFrames, row.target);
    EXPECT_EQ(sizing->capacityRequestFrames, row.capacityRequest);
    EXPECT_GE(sizing->capacityRequestFrames, sizing->targetFrames + row.inputBlock);
  }
  EXPECT_FALSE(ringSizing(5e9, 48000, 512, 512)) << "one second of input does not fit 32 bits";
  EXPECT_TRUE(ringSizing(4e9, 48000, 512, 512));
}

}  // namespace
