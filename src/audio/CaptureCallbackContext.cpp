#include "audio/CaptureCallbackContext.h"

CaptureCallbackContext::CaptureCallbackContext(VXRingBufferRef ringBuffer, std::uint32_t frames)
    : ring(ringBuffer),
      maximumFrames(frames),
      left(frames, 0.0f),
      right(frames, 0.0f),
      silence(frames, 0.0f),
      bufferListStorage_(new std::byte[AudioBufferListByteSize(2)]()),
      bufferList(reinterpret_cast<AudioBufferList*>(bufferListStorage_.get())) {
  const UInt32 bytes = frames * static_cast<UInt32>(sizeof(float));
  bufferList->mNumberBuffers = 2;
  bufferList->mBuffers[0] = AudioBuffer{1, bytes, left.data()};
  bufferList->mBuffers[1] = AudioBuffer{1, bytes, right.data()};
}
