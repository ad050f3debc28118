#pragma once

// What the simulated hardware service knows about one device. Optional properties that are absent
// are missing from the device altogether (the device does not have them).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/CoreAudioTypes.h"

struct SimulatedStream {
  UInt32 channelCount = 2;
  std::optional<AudioStreamBasicDescription> physicalFormat;
};

struct SimulatedCatalogDevice {
  std::optional<std::string> uid;
  std::optional<std::string> name;
  std::vector<SimulatedStream> inputStreams;
  std::vector<SimulatedStream> outputStreams;
  // Element 0 names input channel 1; an absent entry, or a channel past the end, has no name.
  std::vector<std::optional<std::string>> inputChannelNames;
  // Counted from 1, as the hardware counts.
  std::optional<std::array<UInt32, 2>> preferredStereoChannels;
  std::optional<Float64> nominalSampleRate = 48000.0;
  std::optional<UInt32> bufferFrameSize = 512;
  std::optional<UInt32> variableBufferFrameSize;
  bool isAlive = true;
};

// A packed interleaved linear-PCM physical format, as the hardware reports one.
inline AudioStreamBasicDescription simulatedLinearPCMFormat(UInt32 bitsPerChannel, bool isFloat,
                                                            UInt32 channels = 2,
                                                            Float64 sampleRate = 48000.0) {
  const UInt32 bytesPerFrame = bitsPerChannel / 8 * channels;
  return AudioStreamBasicDescription{
      .mSampleRate = sampleRate,
      .mFormatID = kAudioFormatLinearPCM,
      .mFormatFlags = (isFloat ? kAudioFormatFlagIsFloat : 0u) | kAudioFormatFlagIsPacked,
      .mBytesPerPacket = bytesPerFrame,
      .mFramesPerPacket = 1,
      .mBytesPerFrame = bytesPerFrame,
      .mChannelsPerFrame = channels,
      .mBitsPerChannel = bitsPerChannel,
      .mReserved = 0,
  };
}
