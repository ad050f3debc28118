#include "audio/RenderCallbacks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "audio/CaptureCallbackContext.h"
#include "audio/PlaybackCallbackContext.h"
#include "audio/RingReadCallbackContext.h"
#include "platform/AudioUnitPort.h"

namespace {

constexpr double kDriftGain = 0.01;
constexpr double kMaximumCorrection = 0.001;
constexpr double kRateSmoothingSeconds = 5.0;

// Two one-channel buffers that can each hold the block; anything else would be written past.
bool holdsStereoBlock(const AudioBufferList* list, UInt32 frames) {
  if (list == nullptr || list->mNumberBuffers < 2) return false;
  // In 64 bits: a 32-bit product wraps for huge frame counts and would pass a small buffer.
  const std::uint64_t needed = std::uint64_t{frames} * sizeof(float);
  for (int i = 0; i < 2; ++i) {
    const AudioBuffer& buffer = list->mBuffers[i];
    if (buffer.mData == nullptr || buffer.mNumberChannels != 1 || buffer.mDataByteSize < needed) {
      return false;
    }
  }
  return true;
}

// 0 when the platform gave no host time; the fill estimate then falls back to the plain fill.
std::uint64_t hostNanos(const AudioTimeStamp* stamp) {
  if (stamp == nullptr || (stamp->mFlags & kAudioTimeStampHostTimeValid) == 0) return 0;
  return stamp->mHostTime;
}

// Input the device's clock passed while the platform skipped our cycles is gone: silence stands in
// for it, up to the target, so that the ring stays on the two devices' clocks instead of stepping
// by the lost cycles until the slow correction makes them up.
void writeSilence(CaptureCallbackContext* context, std::uint64_t frames) {
  const std::uint64_t target = VXRingBufferTargetFrames(context->ring);
  const std::uint64_t buffered = VXRingBufferBufferedFrames(context->ring);
  frames = std::min(frames, buffered < target ? target - buffered : 0);
  while (frames > 0) {
    const auto chunk =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, context->maximumFrames));
    VXRingBufferWrite(context->ring, context->silence.data(), context->silence.data(), chunk);
    frames -= chunk;
  }
}

OSStatus refuse(VXRingBufferRef ring, OSStatus status) {
  VXRingBufferReportError(ring, status);
  return status;
}

}  // namespace

double driftTargetRate(double bufferedFrames, double targetFrames) {
  const double raw = 1.0 + kDriftGain * (bufferedFrames - targetFrames) / targetFrames;
  // A NaN fails the first comparison and lands on the lower bound.
  if (raw >= 1.0 - kMaximumCorrection) return std::min(raw, 1.0 + kMaximumCorrection);
  return 1.0 - kMaximumCorrection;
}

OSStatus captureInputCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                              const AudioTimeStamp* inTimeStamp, UInt32, UInt32 inNumberFrames,
                              AudioBufferList*) {
  auto* context = static_cast<CaptureCallbackContext*>(inRefCon);
  if (context->audioUnit == nullptr || inNumberFrames > context->maximumFrames) {
    return refuse(context->ring, kAudio_ParamError);
  }
  const UInt32 bytes = inNumberFrames * static_cast<UInt32>(sizeof(float));
  context->bufferList->mBuffers[0].mDataByteSize = bytes;
  context->bufferList->mBuffers[1].mDataByteSize = bytes;
  const OSStatus status = AudioUnitRender(context->audioUnit, ioActionFlags, inTimeStamp, 1,
                                          inNumberFrames, context->bufferList);
  if (status != noErr) return refuse(context->ring, status);
  const std::uint64_t missed = context->inputGap.next(inTimeStamp, inNumberFrames);
  // An overrun is the ring buffer's business: it counts it and resynchronises the reader.
  if (context->progress != nullptr) context->progress->beginWrite();
  if (missed > 0) writeSilence(context, missed);
  VXRingBufferWrite(context->ring, context->left.data(), context->right.data(), inNumberFrames);
  if (context->progress != nullptr) {
    context->progress->endWrite(hostNanos(inTimeStamp), inNumberFrames);
  }
  return noErr;
}

OSStatus ringReadCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                          const AudioTimeStamp*, UInt32, UInt32 inNumberFrames,
                          AudioBufferList* ioData) {
  auto* context = static_cast<RingReadCallbackContext*>(inRefCon);
  if (!holdsStereoBlock(ioData, inNumberFrames)) return refuse(context->ring, kAudio_ParamError);
  const UInt32 delivered =
      VXRingBufferRead(context->ring, static_cast<float*>(ioData->mBuffers[0].mData),
                       static_cast<float*>(ioData->mBuffers[1].mData), inNumberFrames);
  const UInt32 bytes = inNumberFrames * static_cast<UInt32>(sizeof(float));
  ioData->mBuffers[0].mDataByteSize = bytes;
  ioData->mBuffers[1].mDataByteSize = bytes;
  if (delivered == 0 && ioActionFlags != nullptr) {
    *ioActionFlags |= kAudioUnitRenderAction_OutputIsSilence;
  }
  return noErr;
}

OSStatus playbackOutputCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                const AudioTimeStamp* inTimeStamp, UInt32, UInt32 inNumberFrames,
                                AudioBufferList* ioData) {
  auto* context = static_cast<PlaybackCallbackContext*>(inRefCon);
  if (ioData == nullptr) return refuse(context->ring, kAudio_ParamError);
  // Output the device's clock passed unplayed: its frames go too, so that the fill stays on the two
  // devices' clocks.
  const std::uint64_t missed = context->outputGap.next(inTimeStamp, inNumberFrames);
  if (missed > 0 && context->outputSampleRate > 0.0) {
    VXRingBufferSkip(context->ring, static_cast<std::uint64_t>(std::llround(
                                        static_cast<double>(missed) * context->inputSampleRate /
                                        context->outputSampleRate)));
  }
  const OSStatus status = AudioUnitRender(context->varispeedUnit, ioActionFlags, inTimeStamp, 0,
                                          inNumberFrames, ioData);
  if (status != noErr) return refuse(context->ring, status);
  if (!holdsStereoBlock(ioData, inNumberFrames)) return refuse(context->ring, kAudio_ParamError);

  VXRingBufferApplyOutputEnvelope(context->ring, static_cast<float*>(ioData->mBuffers[0].mData),
                                  static_cast<float*>(ioData->mBuffers[1].mData), inNumberFrames,
                                  context->outputSampleRate);

  // Drift compensation, after the pull, so the fill seen is the level right after this read, with
  // the input captured since the producer's last write counted in.
  const double target = static_cast<double>(VXRingBufferTargetFrames(context->ring));
  if (target == 0.0) return noErr;
  const double buffered =
      context->captureProgress != nullptr
          ? context->captureProgress->estimatedFill(context->ring, hostNanos(inTimeStamp))
          : static_cast<double>(VXRingBufferBufferedFrames(context->ring));
  const double aimed = driftTargetRate(buffered, target);
  const double blockSeconds = static_cast<double>(inNumberFrames) / context->outputSampleRate;
  const double smoothing = 1.0 - std::exp(blockSeconds / -kRateSmoothingSeconds);
  context->filteredPlaybackRate += smoothing * (aimed - context->filteredPlaybackRate);
  const OSStatus rateStatus = AudioUnitSetParameter(
      context->varispeedUnit, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0,
      static_cast<AudioUnitParameterValue>(context->filteredPlaybackRate), 0);
  VXRingBufferReportError(context->ring, rateStatus);  // 0 leaves the slot alone
  return noErr;
}
