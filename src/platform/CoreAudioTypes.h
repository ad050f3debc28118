#pragma once

// The platform's audio types and constants, with the names, layouts and values of the macOS audio
// frameworks, so that an adapter there can forward every call unchanged and the core reads the same
// on every platform.

#include <cstddef>
#include <cstdint>

using UInt32 = std::uint32_t;
using SInt32 = std::int32_t;
using UInt64 = std::uint64_t;
using Float32 = float;
using Float64 = double;
using OSStatus = std::int32_t;
using OSType = std::uint32_t;
using AudioObjectID = std::uint32_t;
using AudioFormatID = std::uint32_t;
using AudioFormatFlags = std::uint32_t;

// Four-character codes as the platform spells them: the first character in the highest byte.
constexpr std::uint32_t FourCharCode(const char (&code)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

constexpr OSStatus noErr = 0;
constexpr OSStatus kAudio_UnimplementedError = -4;
constexpr OSStatus kAudio_ParamError = -50;
constexpr OSStatus kAudio_MemFullError = -108;
constexpr OSStatus kAudioDeviceUnsupportedFormatError = static_cast<OSStatus>(FourCharCode("!dat"));
constexpr OSStatus kAudioHardwareBadObjectError = static_cast<OSStatus>(FourCharCode("!obj"));
constexpr OSStatus kAudioHardwareUnknownPropertyError = static_cast<OSStatus>(FourCharCode("who?"));
constexpr OSStatus kAudioHardwareBadPropertySizeError = static_cast<OSStatus>(FourCharCode("!siz"));
constexpr OSStatus kAudioHardwareNotRunningError = static_cast<OSStatus>(FourCharCode("stop"));
constexpr OSStatus kAudioUnitErr_InvalidProperty = -10879;
constexpr OSStatus kAudioUnitErr_InvalidParameter = -10878;
constexpr OSStatus kAudioUnitErr_InvalidElement = -10877;
constexpr OSStatus kAudioUnitErr_NoConnection = -10876;
constexpr OSStatus kAudioUnitErr_FormatNotSupported = -10868;
constexpr OSStatus kAudioUnitErr_Uninitialized = -10867;
constexpr OSStatus kAudioUnitErr_InvalidScope = -10866;
constexpr OSStatus kAudioUnitErr_TooManyFramesToProcess = -10874;
constexpr OSStatus kAudioUnitErr_InvalidPropertyValue = -10851;
constexpr OSStatus kAudioUnitErr_Initialized = -10849;

constexpr AudioFormatID kAudioFormatLinearPCM = FourCharCode("lpcm");
constexpr AudioFormatFlags kAudioFormatFlagIsFloat = 0x1;
constexpr AudioFormatFlags kAudioFormatFlagIsPacked = 0x8;
constexpr AudioFormatFlags kAudioFormatFlagIsNonInterleaved = 0x20;

struct AudioStreamBasicDescription {
  Float64 mSampleRate;
  AudioFormatID mFormatID;
  AudioFormatFlags mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
};
static_assert(sizeof(AudioStreamBasicDescription) == 40);

struct AudioBuffer {
  UInt32 mNumberChannels;
  UInt32 mDataByteSize;
  void* mData;
};

// Variable-length: mBuffers holds mNumberBuffers entries. Allocate with AudioBufferListByteSize.
struct AudioBufferList {
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1];
};
static_assert(sizeof(AudioBufferList) == 24);

constexpr std::size_t AudioBufferListByteSize(UInt32 buffers) {
  return offsetof(AudioBufferList, mBuffers) + sizeof(AudioBuffer) * (buffers == 0 ? 1 : buffers);
}

struct SMPTETime {
  std::int16_t mSubframes;
  std::int16_t mSubframeDivisor;
  UInt32 mCounter;
  UInt32 mType;
  UInt32 mFlags;
  std::int16_t mHours;
  std::int16_t mMinutes;
  std::int16_t mSeconds;
  std::int16_t mFrames;
};

struct AudioTimeStamp {
  Float64 mSampleTime;
  UInt64 mHostTime;
  Float64 mRateScalar;
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  UInt32 mFlags;
  UInt32 mReserved;
};
constexpr UInt32 kAudioTimeStampSampleTimeValid = 1u << 0;
constexpr UInt32 kAudioTimeStampHostTimeValid = 1u << 1;

using AudioUnitRenderActionFlags = UInt32;
constexpr AudioUnitRenderActionFlags kAudioUnitRenderAction_OutputIsSilence = 1u << 4;

using AudioUnitPropertyID = UInt32;
using AudioUnitScope = UInt32;
using AudioUnitElement = UInt32;
using AudioUnitParameterID = UInt32;
using AudioUnitParameterValue = Float32;

constexpr AudioUnitScope kAudioUnitScope_Global = 0;
constexpr AudioUnitScope kAudioUnitScope_Input = 1;
constexpr AudioUnitScope kAudioUnitScope_Output = 2;

constexpr AudioUnitPropertyID kAudioUnitProperty_StreamFormat = 8;
// Float64 seconds, global scope: how long the unit holds a frame back.
constexpr AudioUnitPropertyID kAudioUnitProperty_Latency = 12;
constexpr AudioUnitPropertyID kAudioUnitProperty_MaximumFramesPerSlice = 14;
constexpr AudioUnitPropertyID kAudioUnitProperty_SetRenderCallback = 23;
constexpr AudioUnitPropertyID kAudioUnitProperty_RenderQuality = 26;
constexpr AudioUnitPropertyID kAudioOutputUnitProperty_CurrentDevice = 2000;
constexpr AudioUnitPropertyID kAudioOutputUnitProperty_ChannelMap = 2002;
constexpr AudioUnitPropertyID kAudioOutputUnitProperty_EnableIO = 2003;
constexpr AudioUnitPropertyID kAudioOutputUnitProperty_SetInputCallback = 2005;
// Ours, not Core Audio's: the platform's own words (UTF-8, no terminator) for the unit's last
// failure, global scope. A unit that has none answers kAudioUnitErr_InvalidProperty or
// kAudioUnitErr_InvalidPropertyValue.
constexpr AudioUnitPropertyID kVXAudioUnitProperty_PlatformErrorText = 0x76786572;  // 'vxer'

constexpr AudioUnitParameterID kVarispeedParam_PlaybackRate = 0;

constexpr UInt32 kRenderQuality_Max = 127;
constexpr UInt32 kRenderQuality_High = 96;
constexpr UInt32 kRenderQuality_Medium = 64;
constexpr UInt32 kRenderQuality_Low = 32;
constexpr UInt32 kRenderQuality_Min = 0;

constexpr OSType kAudioUnitType_Output = FourCharCode("auou");
constexpr OSType kAudioUnitType_FormatConverter = FourCharCode("aufc");
constexpr OSType kAudioUnitSubType_HALOutput = FourCharCode("ahal");
constexpr OSType kAudioUnitSubType_Varispeed = FourCharCode("vari");
constexpr OSType kAudioUnitManufacturer_Apple = FourCharCode("appl");

struct AudioComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
};

// The platform's render-callback shape, shared by input callbacks and render callbacks.
using AURenderCallback = OSStatus (*)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                      const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                                      UInt32 inNumberFrames, AudioBufferList* ioData);

struct AURenderCallbackStruct {
  AURenderCallback inputProc;
  void* inputProcRefCon;
};
