#include "audio/RingSizing.h"

#include <gtest/gtest.h>

#include <limits>

#include "ringbuffer/VXRingBuffer.h"

namespace {

struct SizingRow {
  double in;
  double out;
  std::uint32_t inputBlock;
  std::uint32_t outputBlock;
  std::uint32_t target;
  std::uint32_t capacityRequest;
  std::uint64_t ringCapacity;
  RouteLatency latency = RouteLatency::standard;
};

class RingSizingTable : public ::testing::TestWithParam<SizingRow> {};

TEST_P(RingSizingTable, GivesTargetCapacityAndRing) {
  const SizingRow row = GetParam();
  const auto sizing = ringSizing(row.in, row.out, row.inputBlock, row.outputBlock, row.latency);
  ASSERT_TRUE(sizing);
  EXPECT_EQ(sizing->targetFrames, row.target);
  EXPECT_EQ(sizing->capacityRequestFrames, row.capacityRequest);
  VXRingBufferRef ring = VXRingBufferCreate(sizing->capacityRequestFrames, sizing->targetFrames);
  ASSERT_NE(ring, nullptr);
  EXPECT_EQ(VXRingBufferTargetFrames(ring), row.target);
  // The ring rounds up to a power of two; probe its capacity by filling it.
  std::vector<float> block(1024, 0.0f);
  std::uint64_t written = 0;
  while (VXRingBufferWrite(ring, block.data(), block.data(), 1024) == 1024) written += 1024;
  EXPECT_EQ(written, row.ringCapacity);
  VXRingBufferDestroy(ring);
}

// Input blocks up to 8192 frames leave every row as it always was.
INSTANTIATE_TEST_SUITE_P(UsualInputBlocks, RingSizingTable,
                         ::testing::Values(SizingRow{48000, 48000, 512, 512, 8705, 48000, 65536},
                                           SizingRow{44100, 48000, 512, 512, 8663, 44100, 65536},
                                           SizingRow{48000, 44100, 512, 512, 8750, 48000, 65536},
                                           SizingRow{48000, 48000, 512, 0, 16393, 48000, 65536},
                                           SizingRow{192000, 48000, 512, 512, 13441, 192000,
                                                     262144},
                                           SizingRow{8000, 192000, 16, 16, 8193, 16386, 32768},
                                           SizingRow{48000, 44100, 8192, 512, 8750, 48000, 65536}));

// A large input block widens the target by the excess over 8192 frames and the capacity so that
// one whole block always fits above the target.
INSTANTIATE_TEST_SUITE_P(
    LargeInputBlocks, RingSizingTable,
    ::testing::Values(SizingRow{48000, 48000, 65536, 512, 8705 + 57344, 132098, 262144},
                      SizingRow{8000, 8000, 65536, 512, 8705 + 57344, 132098, 262144},
                      SizingRow{48000, 48000, 16384, 512, 8705 + 8192, 48000, 65536}));

// The larger of two blocks and one maximal pull plus one output block; unknown blocks fall back.
INSTANTIATE_TEST_SUITE_P(
    LowLatency, RingSizingTable,
    ::testing::Values(SizingRow{48000, 48000, 256, 256, 513, 48000, 65536, RouteLatency::low},
                      SizingRow{48000, 44100, 256, 256, 535, 48000, 65536, RouteLatency::low},
                      SizingRow{48000, 48000, 1024, 256, 2048, 48000, 65536, RouteLatency::low},
                      SizingRow{48000, 48000, 0, 256, 8449, 48000, 65536, RouteLatency::low}));

TEST(RingSizing, RefusesSizesThatDoNotFitThirtyTwoBits) {
  EXPECT_FALSE(ringSizing(1e12, 48000, 512, 512));
  EXPECT_FALSE(ringSizing(5e9, 48000, 512, 512));  // one second of input alone is too much
  EXPECT_TRUE(ringSizing(4e9, 48000, 512, 512));
  EXPECT_TRUE(ringSizing(192000, 8000, 65536, 65536));
}

TEST(RingSizing, EveryInputBlockFitsAboveTheTarget) {
  for (std::uint32_t block : {512u, 4096u, 8192u, 8193u, 32768u, 65536u}) {
    const auto sizing = ringSizing(44100, 48000, block, 1024);
    ASSERT_TRUE(sizing);
    EXPECT_GE(sizing->capacityRequestFrames, sizing->targetFrames + block) << block;
  }
}

}  // namespace
