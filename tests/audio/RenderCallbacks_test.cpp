#include "audio/RenderCallbacks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "audio/CaptureCallbackContext.h"
#include "audio/PlaybackCallbackContext.h"
#include "audio/RingReadCallbackContext.h"
#include "ringbuffer/VXRingBuffer.h"

namespace {

// Stands in for the input unit or the varispeed: renders 0.25 left and -0.5 right, or pulls
// through `pull` the way a converter pulls its input, and records the rates set on it.
struct ScriptedUnit final : AudioUnitInstance {
  OSStatus renderStatus = noErr, setParameterStatus = noErr;
  UInt32 lastBus = 99;
  int renders = 0;
  std::vector<float> rates;
  AURenderCallbackStruct pull{nullptr, nullptr};

  OSStatus setProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, const void*,
                       UInt32) override {
    return kAudioUnitErr_InvalidProperty;
  }
  OSStatus getProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, void*,
                       UInt32*) override {
    return kAudioUnitErr_InvalidProperty;
  }
  OSStatus setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue value, UInt32) override {
    rates.push_back(value);
    return setParameterStatus;
  }
  OSStatus getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue*) override {
    return kAudioUnitErr_InvalidParameter;
  }
  OSStatus initialize() override { return noErr; }
  OSStatus uninitialize() override { return noErr; }
  OSStatus outputStart() override { return noErr; }
  OSStatus outputStop() override { return noErr; }
  OSStatus render(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp, UInt32 bus,
                  UInt32 frames, AudioBufferList* list) override {
    ++renders;
    lastBus = bus;
    if (renderStatus != noErr || pull.inputProc == nullptr) {
      for (UInt32 i = 0; renderStatus == noErr && i < frames; ++i) {
        static_cast<float*>(list->mBuffers[0].mData)[i] = 0.25f;
        static_cast<float*>(list->mBuffers[1].mData)[i] = -0.5f;
      }
      return renderStatus;
    }
    return pull.inputProc(pull.inputProcRefCon, flags, stamp, 0, frames, list);
  }
};

struct RingDeleter {
  void operator()(VXRingBufferRef ring) const { VXRingBufferDestroy(ring); }
};
using Ring = std::unique_ptr<VXRingBuffer, RingDeleter>;

// A stereo block the callbacks can be handed, whose shape the refusal cases bend.
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

// Refusals write nothing and park their status for the main thread.
TEST(CaptureInputCallback, WritesTheRenderedPairIntoTheRingOrParksWhyNot) {
  Ring ring(VXRingBufferCreate(4096, 0));
  ScriptedUnit input;
  CaptureCallbackContext context(ring.get(), 512);
  const auto capture = [&](UInt32 frames) {
    AudioUnitRenderActionFlags flags = 0;
    return captureInputCallback(&context, &flags, nullptr, 0, frames, nullptr);
  };
  EXPECT_EQ(capture(16), kAudio_ParamError) << "without a unit";
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  context.audioUnit = &input;
  EXPECT_EQ(capture(513), kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  EXPECT_EQ(input.renders, 0);
  input.renderStatus = -10863;
  EXPECT_EQ(capture(64), -10863);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -10863);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);

  input.renderStatus = noErr;
  EXPECT_EQ(capture(512), noErr);
  EXPECT_EQ(input.lastBus, 1u);
  std::vector<float> left(512), right(512);
  ASSERT_EQ(VXRingBufferRead(ring.get(), left.data(), right.data(), 512), 512u);
  EXPECT_EQ(left, std::vector<float>(512, 0.25f));
  EXPECT_EQ(right, std::vector<float>(512, -0.5f));
}

TEST(RingReadCallback, RefusesBuffersThatCannotHoldTheBlockAndFlagsSilenceWhileUnprimed) {
  Ring ring(VXRingBufferCreate(4096, 1024));
  RingReadCallbackContext context{ring.get()};
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, 64, nullptr), kAudio_ParamError);
  StereoBlock oneBuffer(64), nullData(64), tooSmall(64), interleaved(64);
  oneBuffer.list->mNumberBuffers = 1;
  nullData.list->mBuffers[1].mData = nullptr;
  tooSmall.list->mBuffers[0].mDataByteSize = 63 * 4;
  interleaved.list->mBuffers[1].mNumberChannels = 2;
  for (StereoBlock* block : {&oneBuffer, &nullData, &tooSmall, &interleaved}) {
    AudioUnitRenderActionFlags flags = 0;
    EXPECT_EQ(ringReadCallback(&context, &flags, nullptr, 0, 64, block->list), kAudio_ParamError);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  }
  StereoBlock wrapping(4);  // (2^30 + 4) frames of 4 bytes wrap to 16 bytes in 32 bits
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, (1u << 30) + 4, wrapping.list),
            kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);

  StereoBlock block(256);
  AudioUnitRenderActionFlags flags = 0;
  EXPECT_EQ(ringReadCallback(&context, &flags, nullptr, 0, 256, block.list), noErr);
  EXPECT_TRUE(flags & kAudioUnitRenderAction_OutputIsSilence);
  EXPECT_EQ(block.left[0], 0.0f);
  EXPECT_EQ(block.list->mBuffers[1].mDataByteSize, 256u * 4);
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, 256, block.list), noErr);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), noErr);
}

TEST(DriftTargetRate, IsProportionalAndClampedToAThousandPpm) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, double> rows[] = {{1.0, 1.0},   {1.1, 1.001},   {2.0, 1.001},
                                            {0.0, 0.999}, {0.95, 0.9995}, {nan, 0.999}};
  for (const auto& [fill, rate] : rows) {
    EXPECT_NEAR(driftTargetRate(fill * 8705, 8705), rate, 1e-12) << fill;
  }
}

struct PlaybackFixture : ::testing::Test {
  Ring ring{VXRingBufferCreate(65536, 8705)};
  ScriptedUnit varispeed;
  RingReadCallbackContext readContext{ring.get()};
  PlaybackCallbackContext context{ring.get(), 48000.0, &varispeed, 1.0};
  StereoBlock block{512};

  PlaybackFixture() { varispeed.pull = {ringReadCallback, &readContext}; }
  void fill(VXRingBufferRef into, UInt32 frames) {
    std::vector<float> data(frames, 0.5f);
    ASSERT_EQ(VXRingBufferWrite(into, data.data(), data.data(), frames), frames);
  }
  OSStatus play(AudioBufferList* list) {
    return playbackOutputCallback(&context, nullptr, nullptr, 0, 512, list);
  }
};

TEST_F(PlaybackFixture, SmoothsTheRateTowardsTheFillWithAFiveSecondTimeConstantIfThereIsATarget) {
  // A late first pull: priming leaves exactly the target after it, so the rate stays.
  fill(ring.get(), 8705 + 512 + 300);
  ASSERT_EQ(play(block.list), noErr);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 8705u);
  // After the next cycle's read the fill is 10 % above target.
  fill(ring.get(), 512 + 870);
  ASSERT_EQ(play(block.list), noErr);
  const double a = 1.0 - std::exp(-(512.0 / 48000.0) / 5.0);
  const double rate = 1.0 + a * (driftTargetRate(8705 + 870, 8705) - 1.0);
  EXPECT_EQ(varispeed.rates, (std::vector<float>{1.0f, static_cast<float>(rate)}));
  EXPECT_DOUBLE_EQ(context.filteredPlaybackRate, rate);

  Ring untargeted(VXRingBufferCreate(4096, 0));
  readContext.ring = context.ring = untargeted.get();
  fill(untargeted.get(), 512);
  ASSERT_EQ(play(block.list), noErr);
  EXPECT_EQ(varispeed.rates.size(), 2u) << "without a target the rate is left alone";
  EXPECT_GT(block.right[511], 0.0f);  // the envelope still ran
}

TEST_F(PlaybackFixture, RefusesMissingBuffersPassesOnConverterFailuresAndOutlivesARateFailure) {
  varispeed.setParameterStatus = -10878;
  fill(ring.get(), 8705 + 512);
  EXPECT_EQ(play(block.list), noErr);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -10878);
  varispeed.rates.clear();
  EXPECT_EQ(play(nullptr), kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  varispeed.pull = {nullptr, nullptr};
  block.list->mBuffers[0].mData = nullptr;
  EXPECT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 0, block.list),
            kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  varispeed.renderStatus = -66;
  EXPECT_EQ(play(block.list), -66);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -66);
  EXPECT_TRUE(varispeed.rates.empty());
}

}  // namespace
