#include "platform/resampler/StereoBufferList.h"

#include <new>

StereoBufferList::StereoBufferList()
    : storage_(std::make_unique<std::byte[]>(AudioBufferListByteSize(2))),
      list_(new (storage_.get()) AudioBufferList{}) {
  list_->mNumberBuffers = 2;
  point(nullptr, nullptr, 0);
}

void StereoBufferList::point(float* left, float* right, UInt32 frames) {
  const UInt32 bytes = frames * static_cast<UInt32>(sizeof(float));
  list_->mBuffers[0] = AudioBuffer{1, bytes, left};
  list_->mBuffers[1] = AudioBuffer{1, bytes, right};
}
