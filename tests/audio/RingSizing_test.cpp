#include "audio/RingSizing.h"

#include <gtest/gtest.h>

namespace {

struct SizingRow {
  double in, out;
  std::uint32_t inputBlock, outputBlock, target, capacityRequest;
  RouteLatency latency = RouteLatency::standard;
};

class RingSizingTable : public ::testing::TestWithParam<SizingRow> {};

// Whatever the row, one whole input block fits above the target.
TEST_P(RingSizingTable, GivesTargetAndCapacity) {
  const SizingRow row = GetParam();
  const auto sizing = ringSizing(row.in, row.out, row.inputBlock, row.outputBlock, row.latency);
  ASSERT_TRUE(sizing);
  EXPECT_EQ(sizing->targetFrames, row.target);
  EXPECT_EQ(sizing->capacityRequestFrames, row.capacityRequest);
  EXPECT_GE(sizing->capacityRequestFrames, sizing->targetFrames + row.inputBlock);
}

// Input blocks up to 8192 frames leave every row as it always was.
INSTANTIATE_TEST_SUITE_P(UsualInputBlocks, RingSizingTable,
                         ::testing::Values(SizingRow{48000, 48000, 512, 512, 8705, 48000},
                                           SizingRow{44100, 48000, 512, 512, 8663, 44100},
                                           SizingRow{48000, 44100, 512, 512, 8750, 48000},
                                           SizingRow{48000, 48000, 512, 0, 16393, 48000},
                                           SizingRow{192000, 48000, 512, 512, 13441, 192000},
                                           SizingRow{8000, 192000, 16, 16, 8193, 16386},
                                           SizingRow{48000, 44100, 8192, 512, 8750, 48000}));

// A large input block widens the target by the excess over 8192 frames and the capacity so that
// one whole block always fits above the target.
INSTANTIATE_TEST_SUITE_P(
    LargeInputBlocks, RingSizingTable,
    ::testing::Values(SizingRow{48000, 48000, 65536, 512, 8705 + 57344, 132098},
                      SizingRow{8000, 8000, 65536, 512, 8705 + 57344, 132098},
                      SizingRow{48000, 48000, 16384, 512, 8705 + 8192, 48000}));

// The larger of two blocks and one maximal pull plus one output block; unknown blocks fall back.
INSTANTIATE_TEST_SUITE_P(
    LowLatency, RingSizingTable,
    ::testing::Values(SizingRow{48000, 48000, 256, 256, 513, 48000, RouteLatency::low},
                      SizingRow{48000, 44100, 256, 256, 535, 48000, RouteLatency::low},
                      SizingRow{48000, 48000, 1024, 256, 2048, 48000, RouteLatency::low},
                      SizingRow{48000, 48000, 0, 256, 8449, 48000, RouteLatency::low}));

TEST(RingSizing, RefusesSizesThatDoNotFitThirtyTwoBits) {
  EXPECT_FALSE(ringSizing(1e12, 48000, 512, 512));
  EXPECT_FALSE(ringSizing(5e9, 48000, 512, 512));  // one second of input alone is too much
  EXPECT_TRUE(ringSizing(4e9, 48000, 512, 512));
  EXPECT_TRUE(ringSizing(192000, 8000, 65536, 65536));
}

}  // namespace
