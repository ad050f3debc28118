#include "audio/RenderCallbacks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "audio/CaptureCallbackContext.h"
#include "audio/PlaybackCallbackContext.h"
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

// Renders ones into every block, as an input device would, or the converter for the output.
struct OnesUnit final : AudioUnitInstance {
  OSStatus setProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, const void*,
                       UInt32) override {
    return noErr;
  }
  OSStatus getProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, void*,
                       UInt32*) override {
    return noErr;
  }
  OSStatus setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue, UInt32) override {
    return noErr;
  }
  OSStatus getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue*) override {
    return noErr;
  }
  OSStatus initialize() override { return noErr; }
  OSStatus uninitialize() override { return noErr; }
  OSStatus outputStart() override { return noErr; }
  OSStatus outputStop() override { return noErr; }
  OSStatus render(AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                  AudioBufferList* data) override {
    for (UInt32 i = 0; i < data->mNumberBuffers; ++i)
      std::fill_n(static_cast<float*>(data->mBuffers[i].mData), frames, 1.0f);
    return noErr;
  }
};

// Cycles the platform skipped went by on the devices' clocks all the same: the input's become
// silence (up to the target), the output's are dropped (down to the target), so that the fill
// stays where the two clocks put it. The input runs at twice the output's rate.
TEST(RenderCallbacks, SkippedCyclesKeepTheFillOnTheDevicesClocks) {
  constexpr UInt32 kBlock = 1024, kTarget = 4096, kAboveTarget = 3000;
  const struct Row {
    const char* what;
    bool input;
    Float64 secondStart;  // the first block starts at 0
    std::int64_t fillChange;
  } rows[] = {
      {"input, no gap", true, kBlock, kBlock},
      {"input, one cycle skipped", true, 2 * kBlock, 2 * kBlock},
      {"input, a second skipped", true, kBlock + 96000, kTarget},
      {"input, the time went back", true, 0, kBlock},
      {"output, no gap", false, kBlock, 0},
      {"output, one cycle skipped", false, 2 * kBlock, -2 * std::int64_t{kBlock}},
      {"output, four cycles skipped", false, 5 * kBlock, -std::int64_t{kAboveTarget}},
  };
  for (const Row& row : rows) {
    const std::unique_ptr<VXRingBuffer, void (*)(VXRingBufferRef)> ring{
        VXRingBufferCreate(65536, kTarget), VXRingBufferDestroy};
    std::vector<float> ones(kTarget + kAboveTarget, 1.0f);
    OnesUnit unit;
    CaptureCallbackContext capture(ring.get(), kBlock);
    capture.audioUnit = &unit;
    PlaybackCallbackContext playback{ring.get(), 48000, &unit, 1.0, nullptr, 96000};
    StereoBlock output(kBlock);
    const auto call = [&](Float64 start) {
      AudioTimeStamp stamp{};
      stamp.mSampleTime = start;
      stamp.mFlags = kAudioTimeStampSampleTimeValid;
      return row.input ? captureInputCallback(&capture, nullptr, &stamp, 1, kBlock, nullptr)
                       : playbackOutputCallback(&playback, nullptr, &stamp, 0, kBlock, output.list);
    };
    if (!row.input) {  // primed, then kAboveTarget over the target
      VXRingBufferWrite(ring.get(), ones.data(), ones.data(), kTarget + kBlock);
      VXRingBufferRead(ring.get(), output.left.data(), output.right.data(), kBlock);
      VXRingBufferWrite(ring.get(), ones.data(), ones.data(), kAboveTarget);
    }
    ASSERT_EQ(call(0), noErr) << row.what;
    const auto before = static_cast<std::int64_t>(VXRingBufferBufferedFrames(ring.get()));
    ASSERT_EQ(call(row.secondStart), noErr) << row.what;
    EXPECT_EQ(static_cast<std::int64_t>(VXRingBufferBufferedFrames(ring.get())) - before,
              row.fillChange)
        << row.what;
  }
}

TEST(DriftTargetRate, IsProportionalAndClampedToAThousandPpm) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, double> rows[] = {{1.0, 1.0},   {1.1, 1.001},   {2.0, 1.001},
                                            {0.0, 0.999}, {0.95, 0.9995}, {nan, 0.999}};
  for (const auto& [fill, rate] : rows)
    EXPECT_NEAR(driftTargetRate(fill * 8705, 8705), rate, 1e-12) << fill;
}

}  // namespace
