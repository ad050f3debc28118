#include "platform/resampler/VarispeedUnit.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/AudioUnitPropertyValue.h"
#include "platform/resampler/RenderQualityConverter.h"
#include "platform/resampler/VarispeedStreamFormat.h"

namespace {

constexpr UInt32 kLargestSlice = 65536;

}  // namespace

VarispeedUnit::VarispeedUnit() = default;
VarispeedUnit::~VarispeedUnit() = default;

OSStatus VarispeedUnit::setProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                    AudioUnitElement element, const void* data, UInt32 dataSize) {
  switch (property) {
    case kAudioUnitProperty_MaximumFramesPerSlice:
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
      return setGlobalUInt32(maximumFramesPerSlice_, 1, kLargestSlice, element, data, dataSize);
    case kAudioUnitProperty_RenderQuality:
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
      return setGlobalUInt32(renderQuality_, kRenderQuality_Min, kRenderQuality_Max, element, data,
                             dataSize);
    case kAudioUnitProperty_StreamFormat:
      return setStreamFormat(scope, element, data, dataSize);
    case kAudioUnitProperty_SetRenderCallback:
      return setRenderCallback(scope, element, data, dataSize);
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus VarispeedUnit::setGlobalUInt32(UInt32& target, UInt32 minimum, UInt32 maximum,
                                        AudioUnitElement element, const void* data,
                                        UInt32 dataSize) {
  if (element != 0) return kAudioUnitErr_InvalidElement;
  if (converter_) return kAudioUnitErr_Initialized;
  UInt32 value = 0;
  if (const OSStatus status = copyPropertyIn(value, data, dataSize); status != noErr) return status;
  if (value < minimum || value > maximum) return kAudioUnitErr_InvalidPropertyValue;
  target = value;
  return noErr;
}

OSStatus VarispeedUnit::setStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                        const void* data, UInt32 dataSize) {
  if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output) {
    return kAudioUnitErr_InvalidScope;
  }
  if (element != 0) return kAudioUnitErr_InvalidElement;
  if (converter_) return kAudioUnitErr_Initialized;
  AudioStreamBasicDescription format{};
  if (const OSStatus status = copyPropertyIn(format, data, dataSize); status != noErr)
    return status;
  if (!isVarispeedStreamFormat(format)) return kAudioUnitErr_FormatNotSupported;
  (scope == kAudioUnitScope_Input ? inputFormat_ : outputFormat_) = format;
  return noErr;
}

OSStatus VarispeedUnit::setRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                          const void* data, UInt32 dataSize) {
  if (scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
  if (element != 0) return kAudioUnitErr_InvalidElement;
  if (converter_) return kAudioUnitErr_Initialized;
  return copyPropertyIn(inputCallback_, data, dataSize);
}

OSStatus VarispeedUnit::getProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                    AudioUnitElement element, void* outData, UInt32* ioDataSize) {
  switch (property) {
    case kAudioUnitProperty_MaximumFramesPerSlice:
    case kAudioUnitProperty_RenderQuality:
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
      if (element != 0) return kAudioUnitErr_InvalidElement;
      return copyPropertyOut(
          property == kAudioUnitProperty_RenderQuality ? renderQuality_ : maximumFramesPerSlice_,
          outData, ioDataSize);
    case kAudioUnitProperty_StreamFormat: {
      if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output) {
        return kAudioUnitErr_InvalidScope;
      }
      if (element != 0) return kAudioUnitErr_InvalidElement;
      const auto& format = scope == kAudioUnitScope_Input ? inputFormat_ : outputFormat_;
      // No format has been set on that side yet, so there is none to report.
      if (!format) return kAudioUnitErr_FormatNotSupported;
      return copyPropertyOut(*format, outData, ioDataSize);
    }
    case kAudioUnitProperty_SetRenderCallback:
      if (scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
      if (element != 0) return kAudioUnitErr_InvalidElement;
      return copyPropertyOut(inputCallback_, outData, ioDataSize);
    case kAudioUnitProperty_Latency: {
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
      if (element != 0) return kAudioUnitErr_InvalidElement;
      if (!converter_ || !inputFormat_) return kAudioUnitErr_Uninitialized;
      const Float64 seconds = latencyFrames_ / inputFormat_->mSampleRate;
      return copyPropertyOut(seconds, outData, ioDataSize);
    }
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus VarispeedUnit::setParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                                     AudioUnitElement element, AudioUnitParameterValue value,
                                     UInt32) {
  if (parameter != kVarispeedParam_PlaybackRate) return kAudioUnitErr_InvalidParameter;
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
  if (element != 0) return kAudioUnitErr_InvalidElement;
  if (!(value >= kMinimumPlaybackRate && value <= kMaximumPlaybackRate)) {
    return kAudioUnitErr_InvalidParameter;
  }
  // Applies from the next render; the buffer offset is not honoured within a block.
  playbackRate_.store(value, std::memory_order_relaxed);
  return noErr;
}

OSStatus VarispeedUnit::getParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                                     AudioUnitElement element, AudioUnitParameterValue* outValue) {
  if (parameter != kVarispeedParam_PlaybackRate) return kAudioUnitErr_InvalidParameter;
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
  if (element != 0) return kAudioUnitErr_InvalidElement;
  if (outValue == nullptr) return kAudio_ParamError;
  *outValue = playbackRate_.load(std::memory_order_relaxed);
  return noErr;
}

OSStatus VarispeedUnit::initialize() {
  if (converter_) return noErr;
  if (!inputFormat_ || !outputFormat_) return kAudioUnitErr_FormatNotSupported;
  if (inputCallback_.inputProc == nullptr) return kAudioUnitErr_NoConnection;
  try {
    return allocate();
  } catch (const std::bad_alloc&) {
    uninitialize();
    return kAudio_MemFullError;
  }
}

OSStatus VarispeedUnit::allocate() {
  auto converter = std::make_unique<VResampler>();
  if (converter->setup(outputFormat_->mSampleRate / inputFormat_->mSampleRate, 2,
                       converterForRenderQuality(renderQuality_)) != 0) {
    return kAudio_MemFullError;
  }
  inputFramesPerOutputFrame_ = inputFormat_->mSampleRate / outputFormat_->mSampleRate;
  // The largest block at the fastest rate, and the whole filter on the first block after a reset.
  largestPull_ = static_cast<UInt32>(
      std::ceil(converter->inpsize() +
                maximumFramesPerSlice_ * inputFramesPerOutputFrame_ * kMaximumPlaybackRate) +
      2);
  inputLeft_.assign(largestPull_, 0.0f);
  inputRight_.assign(largestPull_, 0.0f);
  interleavedInput_.assign(2 * static_cast<std::size_t>(largestPull_), 0.0f);
  interleavedOutput_.assign(2 * static_cast<std::size_t>(maximumFramesPerSlice_), 0.0f);
  inputTime_ = AudioTimeStamp{};
  inputTime_.mFlags = kAudioTimeStampSampleTimeValid;
  inputStatus_ = noErr;
  // The filter is symmetric, so an output frame needs half of it past its own input position. The
  // converter drops about as many frames at the start rather than delaying its first output.
  latencyFrames_ = converter->inpsize() / 2.0;
  converter_ = std::move(converter);
  return noErr;
}

OSStatus VarispeedUnit::uninitialize() {
  converter_.reset();
  inputLeft_ = {};
  inputRight_ = {};
  interleavedInput_ = {};
  interleavedOutput_ = {};
  latencyFrames_ = 0.0;
  return noErr;
}

OSStatus VarispeedUnit::outputStart() {
  return kAudioUnitErr_InvalidProperty;
}
OSStatus VarispeedUnit::outputStop() {
  return kAudioUnitErr_InvalidProperty;
}

OSStatus VarispeedUnit::render(AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                               UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                               AudioBufferList* ioData) {
  if (!converter_) return kAudioUnitErr_Uninitialized;
  if (inOutputBusNumber != 0) return kAudioUnitErr_InvalidElement;
  if (inNumberFrames > maximumFramesPerSlice_) return kAudioUnitErr_TooManyFramesToProcess;
  const UInt32 bytes = inNumberFrames * static_cast<UInt32>(sizeof(float));
  if (ioData == nullptr || ioData->mNumberBuffers < 2) return kAudio_ParamError;
  for (UInt32 channel = 0; channel < 2; ++channel) {
    const AudioBuffer& buffer = ioData->mBuffers[channel];
    if (buffer.mData == nullptr || buffer.mDataByteSize < bytes) return kAudio_ParamError;
  }

  inputStatus_ = noErr;
  const double playbackRate = playbackRate_.load(std::memory_order_relaxed);
  converter_->set_rratio(1.0 / playbackRate);
  converter_->out_count = inNumberFrames;
  converter_->out_data = interleavedOutput_.data();
  // One pull per block, of what the block consumes: the caller's buffer then drains as a block
  // plays, not in steps of a fixed chunk, and its fill tells how much input is waiting. A pull the
  // ratio's smoothing made a frame short is topped up.
  while (converter_->out_count > 0) {
    if (converter_->inp_count == 0) {
      const UInt32 frames = inputFramesFor(converter_->out_count, playbackRate);
      pullInput(frames);
      converter_->inp_count = frames;
      converter_->inp_data = interleavedInput_.data();
    }
    if (converter_->process() != 0) break;
  }
  const long produced = static_cast<long>(inNumberFrames - converter_->out_count);

  auto* left = static_cast<float*>(ioData->mBuffers[0].mData);
  auto* right = static_cast<float*>(ioData->mBuffers[1].mData);
  const float* interleaved = interleavedOutput_.data();
  for (long frame = 0; frame < produced; ++frame) {
    left[frame] = interleaved[2 * frame];
    right[frame] = interleaved[2 * frame + 1];
  }
  std::fill(left + produced, left + inNumberFrames, 0.0f);
  std::fill(right + produced, right + inNumberFrames, 0.0f);
  ioData->mBuffers[0].mDataByteSize = bytes;
  ioData->mBuffers[1].mDataByteSize = bytes;

  if (inputStatus_ != noErr) return inputStatus_;
  // Only a converter in a broken state stops short; the block is padded with silence.
  return produced == static_cast<long>(inNumberFrames) ? noErr : kAudio_ParamError;
}

// The frames still to read before the next output frame, then one step of the ratio per further
// output frame.
UInt32 VarispeedUnit::inputFramesFor(UInt32 outputFrames, double playbackRate) const {
  const double beforeNext = converter_->inpsize() / 2 + 1 - converter_->inpdist();
  const double step = inputFramesPerOutputFrame_ * playbackRate;
  const double frames = std::ceil(beforeNext + (outputFrames - 1.0) * step);
  return static_cast<UInt32>(std::clamp(frames, 1.0, static_cast<double>(largestPull_)));
}

// After a failed pull the rest of the block is fed silence without asking again: the converter
// must keep a full stream, and the failure is returned once the block is done.
void VarispeedUnit::pullInput(UInt32 frames) {
  float* interleaved = interleavedInput_.data();
  bool filled = false;
  if (inputStatus_ == noErr) {
    inputBuffers_.point(inputLeft_.data(), inputRight_.data(), frames);
    AudioBufferList* list = inputBuffers_.get();
    AudioUnitRenderActionFlags flags = 0;
    inputStatus_ = inputCallback_.inputProc(inputCallback_.inputProcRefCon, &flags, &inputTime_, 0,
                                            frames, list);
    const auto* left = static_cast<const float*>(list->mBuffers[0].mData);
    const auto* right = static_cast<const float*>(list->mBuffers[1].mData);
    if (inputStatus_ == noErr && (left == nullptr || right == nullptr)) {
      inputStatus_ = kAudio_ParamError;
    }
    if (inputStatus_ == noErr && (flags & kAudioUnitRenderAction_OutputIsSilence) == 0) {
      for (UInt32 frame = 0; frame < frames; ++frame) {
        interleaved[2 * frame] = left[frame];
        interleaved[2 * frame + 1] = right[frame];
      }
      filled = true;
    }
  }
  if (!filled) std::fill(interleaved, interleaved + 2 * frames, 0.0f);
  inputTime_.mSampleTime += frames;
}
