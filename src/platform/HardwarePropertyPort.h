#pragma once

// The hardware-property port: the five operations of the platform's hardware service with its
// identifiers, so that an adapter can forward each call unchanged. Values are raw bytes as the
// platform lays them out; text properties yield one CFStringRef that the caller owns (may be null).
//
// Threads: reads, listener installation and removal run on the caller's (main) thread; a listener
// runs on the queue it was installed with, after each change, one at a time in change order.

#include <functional>
#include <memory>

#include "platform/CoreAudioTypes.h"
#include "platform/DispatchQueue.h"

using AudioObjectPropertySelector = UInt32;
using AudioObjectPropertyScope = UInt32;
using AudioObjectPropertyElement = UInt32;

struct AudioObjectPropertyAddress {
  AudioObjectPropertySelector mSelector;
  AudioObjectPropertyScope mScope;
  AudioObjectPropertyElement mElement;
  friend bool operator==(const AudioObjectPropertyAddress&,
                         const AudioObjectPropertyAddress&) = default;
};

// A listener block. Its identity (the pointer) is what removal matches, as with the platform's
// blocks.
using AudioObjectPropertyListenerFunction =
    std::function<void(UInt32 inNumberAddresses, const AudioObjectPropertyAddress* inAddresses)>;
using AudioObjectPropertyListenerBlock = std::shared_ptr<const AudioObjectPropertyListenerFunction>;

constexpr AudioObjectID kAudioObjectUnknown = 0;
constexpr AudioObjectID kAudioObjectSystemObject = 1;
constexpr AudioObjectPropertyElement kAudioObjectPropertyElementMain = 0;

constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeGlobal = FourCharCode("glob");
constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeInput = FourCharCode("inpt");
constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeOutput = FourCharCode("outp");

constexpr AudioObjectPropertySelector kAudioHardwarePropertyDevices = FourCharCode("dev#");
constexpr AudioObjectPropertySelector kAudioHardwarePropertyDefaultOutputDevice =
    FourCharCode("dOut");
constexpr AudioObjectPropertySelector kAudioDevicePropertyStreamConfiguration =
    FourCharCode("slay");
constexpr AudioObjectPropertySelector kAudioDevicePropertyStreams = FourCharCode("stm#");
constexpr AudioObjectPropertySelector kAudioStreamPropertyPhysicalFormat = FourCharCode("pft ");
constexpr AudioObjectPropertySelector kAudioDevicePropertyDeviceUID = FourCharCode("uid ");
constexpr AudioObjectPropertySelector kAudioObjectPropertyName = FourCharCode("lnam");
constexpr AudioObjectPropertySelector kAudioObjectPropertyElementName = FourCharCode("lchn");
constexpr AudioObjectPropertySelector kAudioDevicePropertyPreferredChannelsForStereo =
    FourCharCode("dch2");
constexpr AudioObjectPropertySelector kAudioDevicePropertyNominalSampleRate = FourCharCode("nsrt");
constexpr AudioObjectPropertySelector kAudioDevicePropertyBufferFrameSize = FourCharCode("fsiz");
constexpr AudioObjectPropertySelector kAudioDevicePropertyUsesVariableBufferFrameSizes =
    FourCharCode("vfsz");
constexpr AudioObjectPropertySelector kAudioDevicePropertyDeviceIsAlive = FourCharCode("livn");
constexpr AudioObjectPropertySelector kAudioDevicePropertyDeviceHasChanged = FourCharCode("diff");
constexpr AudioObjectPropertySelector kAudioDevicePropertyIOStoppedAbnormally =
    FourCharCode("stpd");

class HardwarePropertyPort {
 public:
  virtual ~HardwarePropertyPort() = default;
  virtual bool hasProperty(AudioObjectID object, const AudioObjectPropertyAddress* address) = 0;
  virtual OSStatus getPropertyDataSize(AudioObjectID object,
                                       const AudioObjectPropertyAddress* address,
                                       UInt32 qualifierDataSize, const void* qualifierData,
                                       UInt32* outDataSize) = 0;
  virtual OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress* address,
                                   UInt32 qualifierDataSize, const void* qualifierData,
                                   UInt32* ioDataSize, void* outData) = 0;
  virtual OSStatus addPropertyListenerBlock(AudioObjectID object,
                                            const AudioObjectPropertyAddress* address,
                                            DispatchQueue* queue,
                                            AudioObjectPropertyListenerBlock listener) = 0;
  virtual OSStatus removePropertyListenerBlock(AudioObjectID object,
                                               const AudioObjectPropertyAddress* address,
                                               DispatchQueue* queue,
                                               AudioObjectPropertyListenerBlock listener) = 0;
};
