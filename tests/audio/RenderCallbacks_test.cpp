#include "audio/RenderCallbacks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "audio/RingReadCallbackContext.h"
#include "ringbuffer/VXRingBuffer.h"

namespace {

// A stereo block a callback can be handed.
struct StereoBlock {
  explicit StereoBlock(UInt32 frames) : left(frames, 9.0f), right(frames, 9.0f) {
    list->mNumberBuffers = 2;
    list->mBuffers[0] = AudioBuffer{1, frames * 4, left.data()};
    list->mBuffers[1] = AudioBuffer{1, frames * 4, right.data()};
  }
  std::vector<float> left, right;
  std::vector<std::byte> storage = std::vector<std::byte>(AudioBufferListByteSize(2));
  AudioBufferList* list = reinterpret_cast<AudioBufferList*>(storage.data());
};

// (2^30 + 4) frames of 4 bytes wrap to 16 bytes in 32 bits: refused, and the status parked for the
// main thread.
TEST(RingReadCallback, RefusesABlockWhoseByteSizeWraps) {
  const std::unique_ptr<VXRingBuffer, void (*)(VXRingBufferRef)> ring{
      VXRingBufferCreate(65536, 8705), VXRingBufferDestroy};
  RingReadCallbackContext context{ring.get()};
  std::vector<float> data(8705 + 512, 0.5f);
  ASSERT_EQ(VXRingBufferWrite(ring.get(), data.data(), data.data(), 8705 + 512), 8705u + 512);
  StereoBlock wrapping(4);
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, (1u << 30) + 4, wrapping.list),
            kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 8705u + 512) << "nothing was read";
}

TEST(DriftTargetRate, IsProportionalAndClampedToAThousandPpm) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, double> rows[] = {{1.0, 1.0},   {1.1, 1.001},   {2.0, 1.001},
                                            {0.0, 0.999}, {0.95, 0.9995}, {nan, 0.999}};
  for (const auto& [fill, rate] : rows) {
    EXPECT_NEAR(driftTargetRate(fill * 8705, 8705), rate, 1e-12) << fill;
  }
}

}  // namespace
