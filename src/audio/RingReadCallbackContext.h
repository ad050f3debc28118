#pragma once

#include "ringbuffer/VXRingBuffer.h"

// What the varispeed's input callback needs; read only on the output device's real-time thread.
struct RingReadCallbackContext {
  VXRingBufferRef ring;
};
