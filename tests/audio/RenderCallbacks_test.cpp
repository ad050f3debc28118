#include "audio/RenderCallbacks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "audio/CaptureCallbackContext.h"
#include "audio/RingReadCallbackContext.h"
#include "ringbuffer/VXRingBuffer.h"

namespace {

// Stands in for the input unit: renders 0.25 left and -0.5 right.
struct ScriptedUnit final : AudioUnitInstance {
  OSStatus renderStatus = noErr;
  UInt32 lastBus = 99;
  int renders = 0;

  OSStatus setProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, const void*,
                       UInt32) override {
    return kAudioUnitErr_InvalidProperty;
  }
  OSStatus getProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, void*,
                       UInt32*) override {
    return kAudioUnitErr_InvalidProperty;
  }
  OSStatus setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue, UInt32) override {
    return kAudioUnitErr_InvalidParameter;
  }
  OSStatus getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue*) override {
    return kAudioUnitErr_InvalidParameter;
  }
  OSStatus initialize() override { return noErr; }
  OSStatus uninitialize() override { return noErr; }
  OSStatus outputStart() override { return noErr; }
  OSStatus outputStop() override { return noErr; }
  OSStatus render(AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32 bus, UInt32 frames,
                  AudioBufferList* list) override {
    ++renders;
    lastBus = bus;
    for (UInt32 i = 0; renderStatus == noErr && i < frames; ++i) {
      static_cast<float*>(list->mBuffers[0].mData)[i] = 0.25f;
      static_cast<float*>(list->mBuffers[1].mData)[i] = -0.5f;
    }
    return renderStatus;
  }
};

// A stereo block the callbacks can be handed.
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

// The capture callback renders the input unit into the ring; the ring read callback feeds the
// converter from it.
struct Callbacks : ::testing::Test {
  std::unique_ptr<VXRingBuffer, void (*)(VXRingBufferRef)> ring{VXRingBufferCreate(65536, 8705),
                                                                VXRingBufferDestroy};
  ScriptedUnit input;
  CaptureCallbackContext captureContext{ring.get(), 512};
  RingReadCallbackContext readContext{ring.get()};
  OSStatus capture(UInt32 frames) {
    AudioUnitRenderActionFlags flags = 0;
    return captureInputCallback(&captureContext, &flags, nullptr, 0, frames, nullptr);
  }
  void fill(UInt32 frames) {
    std::vector<float> data(frames, 0.5f);
    ASSERT_EQ(VXRingBufferWrite(ring.get(), data.data(), data.data(), frames), frames);
  }
  std::int32_t parked() { return VXRingBufferTakeError(ring.get()); }
};

// Refusals write nothing and park their status for the main thread.
TEST_F(Callbacks, CaptureWritesTheRenderedPairIntoTheRingOrParksWhyNot) {
  EXPECT_EQ(capture(16), kAudio_ParamError) << "without a unit";
  EXPECT_EQ(parked(), kAudio_ParamError);
  captureContext.audioUnit = &input;
  EXPECT_EQ(capture(513), kAudio_ParamError);
  EXPECT_EQ(parked(), kAudio_ParamError);
  EXPECT_EQ(input.renders, 0);
  input.renderStatus = -10863;
  EXPECT_EQ(capture(64), -10863);
  EXPECT_EQ(parked(), -10863);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);
  input.renderStatus = noErr;
  EXPECT_EQ(capture(512), noErr);
  EXPECT_EQ(input.lastBus, 1u);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 512u);
  const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring.get());
  EXPECT_EQ(meters.leftPeak, 0.25f);
  EXPECT_EQ(meters.rightPeak, 0.5f);
}

// (2^30 + 4) frames of 4 bytes wrap to 16 bytes in 32 bits.
TEST_F(Callbacks, ReadRefusesABlockWhoseByteSizeWraps) {
  StereoBlock wrapping(4);
  fill(8705 + 512);
  EXPECT_EQ(ringReadCallback(&readContext, nullptr, nullptr, 0, (1u << 30) + 4, wrapping.list),
            kAudio_ParamError);
  EXPECT_EQ(parked(), kAudio_ParamError);
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
