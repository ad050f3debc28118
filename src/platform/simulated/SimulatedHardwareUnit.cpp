#include "platform/simulated/SimulatedHardwareUnit.h"

#include "platform/AudioUnitPropertyValue.h"

#include <algorithm>

#include "platform/simulated/SimulatedAudioDevice.h"
#include "platform/simulated/SimulatedAudioWorld.h"

namespace {

constexpr UInt32 kStereoClientFlags =
    kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;

OSStatus checkAddress(AudioUnitScope scope, AudioUnitElement element, AudioUnitScope wantedScope,
                      AudioUnitElement wantedElement) {
  if (scope != wantedScope) return kAudioUnitErr_InvalidScope;
  if (element != wantedElement) return kAudioUnitErr_InvalidElement;
  return noErr;
}

// The two I/O elements: input arrives on element 1 (input scope), output leaves on element 0
// (output scope).
bool isInputElement(AudioUnitScope scope, AudioUnitElement element) {
  return scope == kAudioUnitScope_Input && element == 1;
}
bool isOutputElement(AudioUnitScope scope, AudioUnitElement element) {
  return scope == kAudioUnitScope_Output && element == 0;
}

bool isStereoFloatNonInterleaved(const AudioStreamBasicDescription& format) {
  return format.mFormatID == kAudioFormatLinearPCM &&
         (format.mFormatFlags & kStereoClientFlags) == kStereoClientFlags &&
         format.mChannelsPerFrame == 2 && format.mBitsPerChannel == 32 &&
         format.mBytesPerFrame == 4 && format.mBytesPerPacket == 4 &&
         format.mFramesPerPacket == 1 && format.mSampleRate > 0.0;
}

}  // namespace

SimulatedHardwareUnit::SimulatedHardwareUnit(SimulatedAudioWorld& world) : world_(world) {}

SimulatedHardwareUnit::~SimulatedHardwareUnit() {
  outputStop();
}

OSStatus SimulatedHardwareUnit::setProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                            AudioUnitElement element, const void* data,
                                            UInt32 dataSize) {
  if (initialized_) return kAudioUnitErr_Initialized;
  switch (property) {
    case kAudioOutputUnitProperty_EnableIO: {
      if (!isInputElement(scope, element) && !isOutputElement(scope, element)) {
        return scope == kAudioUnitScope_Global ? kAudioUnitErr_InvalidScope
                                               : kAudioUnitErr_InvalidElement;
      }
      UInt32 enable = 0;
      if (const OSStatus status = copyPropertyIn(enable, data, dataSize); status != noErr)
        return status;
      (isInputElement(scope, element) ? inputEnabled_ : outputEnabled_) = enable != 0;
      ioDirectionSet_ = true;
      return noErr;
    }
    case kAudioOutputUnitProperty_CurrentDevice: {
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Global, 0);
          status != noErr) {
        return status;
      }
      AudioObjectID id = 0;
      if (const OSStatus status = copyPropertyIn(id, data, dataSize); status != noErr)
        return status;
      const SimulatedAudioDevice* device = world_.device(id);
      if (device == nullptr || !device->isAlive()) return kAudioHardwareBadObjectError;
      deviceID_ = id;
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice: {
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Global, 0);
          status != noErr) {
        return status;
      }
      UInt32 frames = 0;
      if (const OSStatus status = copyPropertyIn(frames, data, dataSize); status != noErr)
        return status;
      if (frames == 0) return kAudioUnitErr_InvalidPropertyValue;
      maximumFrames_ = frames;
      return noErr;
    }
    case kAudioOutputUnitProperty_ChannelMap: {
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Output, 1);
          status != noErr) {
        return status;
      }
      return copyPropertyIn(channelMap_, data, dataSize);
    }
    case kAudioUnitProperty_StreamFormat: {
      const bool inputSide = scope == kAudioUnitScope_Output && element == 1;
      const bool outputSide = scope == kAudioUnitScope_Input && element == 0;
      if (!inputSide && !outputSide) return kAudioUnitErr_InvalidElement;
      AudioStreamBasicDescription format{};
      if (const OSStatus status = copyPropertyIn(format, data, dataSize); status != noErr)
        return status;
      if (!isStereoFloatNonInterleaved(format)) return kAudioUnitErr_FormatNotSupported;
      (inputSide ? inputSideFormat_ : outputSideFormat_) = format;
      return noErr;
    }
    case kAudioOutputUnitProperty_SetInputCallback:
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Global, 0);
          status != noErr) {
        return status;
      }
      return copyPropertyIn(inputCallback_, data, dataSize);
    case kAudioUnitProperty_SetRenderCallback:
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Input, 0);
          status != noErr) {
        return status;
      }
      return copyPropertyIn(renderCallback_, data, dataSize);
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus SimulatedHardwareUnit::getProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                            AudioUnitElement element, void* outData,
                                            UInt32* ioDataSize) {
  switch (property) {
    case kAudioOutputUnitProperty_EnableIO:
      if (isInputElement(scope, element))
        return copyPropertyOut(UInt32{inputEnabled_}, outData, ioDataSize);
      if (isOutputElement(scope, element)) {
        return copyPropertyOut(UInt32{outputEnabled_}, outData, ioDataSize);
      }
      return kAudioUnitErr_InvalidElement;
    case kAudioOutputUnitProperty_CurrentDevice:
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Global, 0);
          status != noErr) {
        return status;
      }
      return copyPropertyOut(deviceID_, outData, ioDataSize);
    case kAudioUnitProperty_MaximumFramesPerSlice:
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Global, 0);
          status != noErr) {
        return status;
      }
      return copyPropertyOut(maximumFrames_, outData, ioDataSize);
    case kAudioOutputUnitProperty_ChannelMap:
      if (const OSStatus status = checkAddress(scope, element, kAudioUnitScope_Output, 1);
          status != noErr) {
        return status;
      }
      return copyPropertyOut(channelMap_, outData, ioDataSize);
    case kAudioUnitProperty_StreamFormat:
      if (scope == kAudioUnitScope_Output && element == 1) {
        return copyPropertyOut(clientFormat(inputSideFormat_), outData, ioDataSize);
      }
      if (scope == kAudioUnitScope_Input && element == 0) {
        return copyPropertyOut(clientFormat(outputSideFormat_), outData, ioDataSize);
      }
      return kAudioUnitErr_InvalidElement;
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus SimulatedHardwareUnit::setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                                             AudioUnitParameterValue, UInt32) {
  return kAudioUnitErr_InvalidParameter;
}

OSStatus SimulatedHardwareUnit::getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                                             AudioUnitParameterValue*) {
  return kAudioUnitErr_InvalidParameter;
}

OSStatus SimulatedHardwareUnit::initialize() {
  if (initialized_) return noErr;
  if (!inputEnabled_ && !outputEnabled_) return kAudioUnitErr_NoConnection;
  if (deviceID_ == 0) return kAudioUnitErr_NoConnection;
  const SimulatedAudioDevice* device = world_.device(deviceID_);
  if (device == nullptr) return kAudioHardwareBadObjectError;
  if (const OSStatus status = validateAgainstDevice(*device); status != noErr) return status;
  initialized_ = true;
  return noErr;
}

OSStatus SimulatedHardwareUnit::uninitialize() {
  outputStop();
  initialized_ = false;
  return noErr;
}

OSStatus SimulatedHardwareUnit::outputStart() {
  if (!initialized_) return kAudioUnitErr_Uninitialized;
  if (started_) return noErr;
  SimulatedAudioDevice* device = world_.device(deviceID_);
  if (device == nullptr) return kAudioHardwareBadObjectError;
  if (!device->isAlive()) return kAudioHardwareNotRunningError;
  if (device->blockFrames() > maximumFrames_) return kAudioUnitErr_TooManyFramesToProcess;
  device_ = device;
  if (inputEnabled_) {
    if (const OSStatus status = device->attachInput(*this); status != noErr) {
      device_ = nullptr;
      return status;
    }
  }
  if (outputEnabled_) {
    if (const OSStatus status = device->attachOutput(*this); status != noErr) {
      device->detach(*this);
      device_ = nullptr;
      return status;
    }
  }
  started_ = true;
  return noErr;
}

OSStatus SimulatedHardwareUnit::outputStop() {
  if (!started_) return noErr;
  if (device_ != nullptr) device_->detach(*this);
  device_ = nullptr;
  started_ = false;
  return noErr;
}

OSStatus SimulatedHardwareUnit::render(AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                                       UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                       AudioBufferList* ioData) {
  if (inOutputBusNumber != 1 || !inputEnabled_) return kAudioUnitErr_InvalidElement;
  const SimulatedAudioDevice* device = device_;
  if (device == nullptr) return kAudioUnitErr_Uninitialized;
  if (inNumberFrames > device->blockFrames() || inNumberFrames > maximumFrames_) {
    return kAudioUnitErr_TooManyFramesToProcess;
  }
  if (ioData == nullptr || ioData->mNumberBuffers != 2) return kAudio_ParamError;
  const UInt32 bytes = inNumberFrames * sizeof(float);
  for (UInt32 index = 0; index < 2; ++index) {
    const AudioBuffer& buffer = ioData->mBuffers[index];
    if (buffer.mData == nullptr || buffer.mDataByteSize < bytes) return kAudio_ParamError;
  }
  for (UInt32 index = 0; index < 2; ++index) {
    AudioBuffer& buffer = ioData->mBuffers[index];
    auto* samples = static_cast<float*>(buffer.mData);
    const SInt32 channel = channelMap_[index];
    if (channel < 0) {
      std::fill_n(samples, inNumberFrames, 0.0f);
    } else {
      const std::span<const float> block = device->inputBlock(static_cast<UInt32>(channel));
      std::copy_n(block.begin(), inNumberFrames, samples);
    }
    buffer.mNumberChannels = 1;
    buffer.mDataByteSize = bytes;
  }
  return noErr;
}

SimulatedUnitKind SimulatedHardwareUnit::kind() const {
  if (!ioDirectionSet_ || (!inputEnabled_ && !outputEnabled_))
    return SimulatedUnitKind::ahalUnbound;
  return inputEnabled_ ? SimulatedUnitKind::input : SimulatedUnitKind::output;
}

void SimulatedHardwareUnit::deliverInput(const AudioTimeStamp& timeStamp, UInt32 frames) {
  if (inputCallback_.inputProc == nullptr) return;
  AudioUnitRenderActionFlags flags = 0;
  // The device has nothing to do with a failed capture: the callback reports it itself.
  inputCallback_.inputProc(inputCallback_.inputProcRefCon, &flags, &timeStamp, 1, frames, nullptr);
}

OSStatus SimulatedHardwareUnit::renderOutput(AudioUnitRenderActionFlags* ioActionFlags,
                                             const AudioTimeStamp& timeStamp, UInt32 frames,
                                             AudioBufferList* ioData) {
  if (renderCallback_.inputProc == nullptr) {
    for (UInt32 index = 0; index < ioData->mNumberBuffers; ++index) {
      std::fill_n(static_cast<float*>(ioData->mBuffers[index].mData), frames, 0.0f);
    }
    *ioActionFlags |= kAudioUnitRenderAction_OutputIsSilence;
    return noErr;
  }
  return renderCallback_.inputProc(renderCallback_.inputProcRefCon, ioActionFlags, &timeStamp, 0,
                                   frames, ioData);
}

AudioStreamBasicDescription SimulatedHardwareUnit::clientFormat(
    const std::optional<AudioStreamBasicDescription>& format) const {
  if (format) return *format;
  const SimulatedAudioDevice* device = world_.device(deviceID_);
  return AudioStreamBasicDescription{device != nullptr ? device->nominalSampleRate() : 0.0,
                                     kAudioFormatLinearPCM,
                                     kStereoClientFlags,
                                     4,
                                     1,
                                     4,
                                     2,
                                     32,
                                     0};
}

OSStatus SimulatedHardwareUnit::validateAgainstDevice(const SimulatedAudioDevice& device) const {
  if (inputEnabled_) {
    if (device.inputChannels() == 0) return kAudioUnitErr_NoConnection;
    for (const SInt32 channel : channelMap_) {
      if (channel < -1 ||
          (channel >= 0 && static_cast<UInt32>(channel) >= device.inputChannels())) {
        return kAudioUnitErr_InvalidPropertyValue;
      }
    }
    // The unit does not convert rates on either side: a client format must run at the device rate.
    if (inputSideFormat_ && inputSideFormat_->mSampleRate != device.nominalSampleRate()) {
      return kAudioUnitErr_FormatNotSupported;
    }
  }
  if (outputEnabled_) {
    if (device.outputChannels() == 0) return kAudioUnitErr_NoConnection;
    if (outputSideFormat_ && outputSideFormat_->mSampleRate != device.nominalSampleRate()) {
      return kAudioUnitErr_FormatNotSupported;
    }
  }
  return noErr;
}
