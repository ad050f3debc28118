#include "ringbuffer/VXRingBuffer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <new>

#include "ringbuffer/VXRingBufferTesting.h"

// Positions are free-running frame counts; `position & mask` is the array index.
struct VXRingBuffer {
  float* left;                 // producer writes, consumer reads; ordered by the two positions
  float* right;                // same
  std::uint64_t capacity;      // fixed at creation, power of two
  std::uint64_t mask;          // fixed at creation
  std::uint64_t targetFrames;  // fixed at creation
  // Producer stores (release) after copying, loads its own value relaxed; the consumer and
  // BufferedFrames load it with acquire so the copied samples are visible.
  std::atomic<std::uint64_t> writeIndex;
  // Consumer stores (release) after copying out, loads its own value relaxed; the producer and
  // BufferedFrames load it with acquire so the space it frees is really free.
  std::atomic<std::uint64_t> readIndex;
  bool primed;  // output thread only
  // Producer sets with release; the consumer takes it with an acquire-release exchange.
  std::atomic<bool> resyncRequested;
  std::atomic<bool> muted;  // relaxed: control thread stores, output thread loads
  float outputGain;         // output thread only
  // Bit patterns of non-negative floats. Relaxed: producer raises by compare-and-swap, control
  // thread takes by exchange; a measurement, it orders nothing.
  std::atomic<std::uint32_t> leftPeak;
  std::atomic<std::uint32_t> rightPeak;
  // Relaxed: producer sets, control thread reads and clears.
  std::atomic<bool> leftClip;
  std::atomic<bool> rightClip;
  std::atomic<std::uint64_t> underruns;  // relaxed: consumer increments, control thread reads
  std::atomic<std::uint64_t> overruns;   // relaxed: producer increments, control thread reads
  // Real-time threads compare-and-swap from 0 (release on success, relaxed on failure); the
  // control thread takes it with an acquire-release exchange.
  std::atomic<std::int32_t> errorStatus;
};

// The record lives in calloc'd memory, which is aligned for any fundamental type.
static_assert(alignof(VXRingBuffer) <= alignof(std::max_align_t));
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

namespace {

constexpr std::uint64_t kMinimumCapacity = 1024;
constexpr float kClipThreshold = 0.9999f;
// 1 - exp(-1 / (48000 * 0.008)): the smoothing coefficient at 48 kHz.
constexpr double kFallbackEnvelopeCoefficient = 0.0026007787661767034;
constexpr double kEnvelopeTimeConstantSeconds = 0.008;
// Closer than this to its goal the envelope lands on it, so a long mute does not decay through
// subnormals.
constexpr float kEnvelopeSnapDistance = 1e-6f;

// Relaxed: armed and consumed on the control thread, by tests only.
std::atomic<VXRingBufferAllocation> failingAllocation{VXRingBufferAllocation::none};

void* allocateZeroed(std::size_t count, std::size_t size, VXRingBufferAllocation which) {
  if (failingAllocation.load(std::memory_order_relaxed) == which) {
    failingAllocation.store(VXRingBufferAllocation::none, std::memory_order_relaxed);
    return nullptr;
  }
  return std::calloc(count, size);
}

// Loops work in fixed groups of lanes so that the compiler turns them into vector instructions.
constexpr std::uint32_t kLanes = 8;

// NaN never compares greater, so it leaves the peak alone; infinities count.
float louder(float peak, float sample) {
  const float magnitude = std::fabs(sample);
  return magnitude > peak ? magnitude : peak;
}

float blockPeak(const float* samples, std::uint32_t frames) {
  float lanes[kLanes] = {};
  std::uint64_t i = 0;  // 64-bit, so that `i + kLanes` cannot wrap near the largest block
  for (; i + kLanes <= frames; i += kLanes) {
    for (std::uint32_t j = 0; j < kLanes; ++j) lanes[j] = louder(lanes[j], samples[i + j]);
  }
  float peak = 0.0f;
  for (; i < frames; ++i) peak = louder(peak, samples[i]);
  for (const float lane : lanes) peak = louder(peak, lane);
  return peak;
}

void raisePeak(std::atomic<std::uint32_t>& stored, float peak) {
  std::uint32_t found = stored.load(std::memory_order_relaxed);
  while (peak > std::bit_cast<float>(found)) {
    if (stored.compare_exchange_strong(found, std::bit_cast<std::uint32_t>(peak),
                                       std::memory_order_relaxed, std::memory_order_relaxed)) {
      return;
    }
  }
}

// Non-finite samples are metered but never stored: the converter and the output only ever see
// finite audio.
float finiteOrSilence(float sample) {
  return std::fabs(sample) <= std::numeric_limits<float>::max() ? sample : 0.0f;
}

void copyFinite(const float* source, std::uint64_t frames, float* destination) {
  std::uint64_t i = 0;
  for (; i + kLanes <= frames; i += kLanes) {
    float lanes[kLanes];
    for (std::uint32_t j = 0; j < kLanes; ++j) lanes[j] = finiteOrSilence(source[i + j]);
    std::copy_n(lanes, kLanes, destination + i);
  }
  for (; i < frames; ++i) destination[i] = finiteOrSilence(source[i]);
}

void fillSilence(float* left, float* right, std::uint32_t frames) {
  std::fill_n(left, frames, 0.0f);
  std::fill_n(right, frames, 0.0f);
}

}  // namespace

void VXRingBufferFailNextAllocation(VXRingBufferAllocation allocation) {
  failingAllocation.store(allocation, std::memory_order_relaxed);
}

VXRingBufferRef VXRingBufferCreate(std::uint32_t capacityFrames, std::uint32_t targetFrames) {
  // 64-bit, so that requests above 2^31 frames do not overflow while doubling.
  const std::uint64_t request = std::max<std::uint64_t>(capacityFrames, kMinimumCapacity);
  std::uint64_t capacity = 1;
  while (capacity < request) capacity *= 2;

  void* memory = allocateZeroed(1, sizeof(VXRingBuffer), VXRingBufferAllocation::record);
  if (memory == nullptr) return nullptr;
  auto* left = static_cast<float*>(
      allocateZeroed(capacity, sizeof(float), VXRingBufferAllocation::leftSamples));
  auto* right = static_cast<float*>(
      allocateZeroed(capacity, sizeof(float), VXRingBufferAllocation::rightSamples));
  if (left == nullptr || right == nullptr) {
    std::free(left);
    std::free(right);
    std::free(memory);
    return nullptr;
  }

  auto* ring = new (memory) VXRingBuffer{};
  ring->left = left;
  ring->right = right;
  ring->capacity = capacity;
  ring->mask = capacity - 1;
  ring->targetFrames = targetFrames < capacity ? targetFrames : capacity / 2;
  return ring;
}

void VXRingBufferDestroy(VXRingBufferRef ring) {
  if (ring == nullptr) return;
  std::free(ring->left);
  std::free(ring->right);
  ring->~VXRingBuffer();
  std::free(ring);
}

void VXRingBufferReset(VXRingBufferRef ring) {
  ring->writeIndex.store(0, std::memory_order_relaxed);
  ring->readIndex.store(0, std::memory_order_relaxed);
  ring->primed = false;
  ring->resyncRequested.store(false, std::memory_order_relaxed);
  ring->outputGain = 0.0f;
  ring->leftPeak.store(0, std::memory_order_relaxed);
  ring->rightPeak.store(0, std::memory_order_relaxed);
  ring->leftClip.store(false, std::memory_order_relaxed);
  ring->rightClip.store(false, std::memory_order_relaxed);
  ring->underruns.store(0, std::memory_order_relaxed);
  ring->overruns.store(0, std::memory_order_relaxed);
  ring->errorStatus.store(0, std::memory_order_relaxed);
}

std::uint32_t VXRingBufferWrite(VXRingBufferRef ring, const float* left, const float* right,
                                std::uint32_t frames) {
  // Metering comes first so that a block the ring refuses still shows on the meters.
  const float leftPeak = blockPeak(left, frames);
  const float rightPeak = blockPeak(right, frames);
  raisePeak(ring->leftPeak, leftPeak);
  raisePeak(ring->rightPeak, rightPeak);
  if (leftPeak >= kClipThreshold) ring->leftClip.store(true, std::memory_order_relaxed);
  if (rightPeak >= kClipThreshold) ring->rightClip.store(true, std::memory_order_relaxed);

  const std::uint64_t write = ring->writeIndex.load(std::memory_order_relaxed);
  const std::uint64_t space =
      ring->readIndex.load(std::memory_order_acquire) - write + ring->capacity;
  if (space < frames) {
    ring->overruns.fetch_add(1, std::memory_order_relaxed);
    ring->resyncRequested.store(true, std::memory_order_release);
    return 0;
  }

  const std::uint64_t offset = write & ring->mask;
  const std::uint64_t untilEnd = std::min<std::uint64_t>(frames, ring->capacity - offset);
  copyFinite(left, untilEnd, ring->left + offset);
  copyFinite(left + untilEnd, frames - untilEnd, ring->left);
  copyFinite(right, untilEnd, ring->right + offset);
  copyFinite(right + untilEnd, frames - untilEnd, ring->right);
  ring->writeIndex.store(write + frames, std::memory_order_release);
  return frames;
}

std::uint32_t VXRingBufferRead(VXRingBufferRef ring, float* left, float* right,
                               std::uint32_t frames) {
  if (ring->resyncRequested.exchange(false, std::memory_order_acq_rel)) {
    const std::uint64_t write = ring->writeIndex.load(std::memory_order_acquire);
    const std::uint64_t target = write >= ring->targetFrames ? write - ring->targetFrames : 0;
    // The producer judged the space with an older read position; frames consumed since then
    // are gone, and going back to them would race the producer's next copy.
    const std::uint64_t read = ring->readIndex.load(std::memory_order_relaxed);
    ring->readIndex.store(std::max(read, target), std::memory_order_release);
    ring->primed = false;
    ring->outputGain = 0.0f;
    fillSilence(left, right, frames);
    return 0;
  }

  std::uint64_t read = ring->readIndex.load(std::memory_order_relaxed);
  const std::uint64_t write = ring->writeIndex.load(std::memory_order_acquire);
  std::uint64_t available = write - read;

  if (!ring->primed) {
    if (available < std::max<std::uint64_t>(ring->targetFrames, frames)) {
      fillSilence(left, right, frames);
      return 0;
    }
    // The first pull may come late (a loaded machine, a slow device start); what arrived beyond
    // the target would otherwise stay as extra latency that only the slow rate correction drains.
    // What is kept leaves the target after this pull, where the correction holds the fill. The
    // output fades in from silence, so skipping the oldest frames is inaudible.
    const std::uint64_t keep = std::min<std::uint64_t>(available, ring->targetFrames + frames);
    read = write - keep;
    available = keep;
    ring->outputGain = 0.0f;
    ring->primed = true;
  }

  if (available < frames) {
    fillSilence(left, right, frames);
    ring->readIndex.store(write, std::memory_order_release);
    ring->primed = false;
    ring->underruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }

  const std::uint64_t offset = read & ring->mask;
  const std::uint64_t untilEnd = std::min<std::uint64_t>(frames, ring->capacity - offset);
  std::copy_n(ring->left + offset, untilEnd, left);
  std::copy_n(ring->left, frames - untilEnd, left + untilEnd);
  std::copy_n(ring->right + offset, untilEnd, right);
  std::copy_n(ring->right, frames - untilEnd, right + untilEnd);
  ring->readIndex.store(read + frames, std::memory_order_release);
  return frames;
}

std::uint64_t VXRingBufferSkip(VXRingBufferRef ring, std::uint64_t frames) {
  if (!ring->primed || ring->resyncRequested.load(std::memory_order_acquire)) return 0;
  const std::uint64_t read = ring->readIndex.load(std::memory_order_relaxed);
  const std::uint64_t available = ring->writeIndex.load(std::memory_order_acquire) - read;
  if (available <= ring->targetFrames) return 0;
  const std::uint64_t dropped = std::min(frames, available - ring->targetFrames);
  ring->readIndex.store(read + dropped, std::memory_order_release);
  return dropped;
}

void VXRingBufferApplyOutputEnvelope(VXRingBufferRef ring, float* left, float* right,
                                     std::uint32_t frames, double sampleRate) {
  if (frames == 0) return;
  const float goal = ring->muted.load(std::memory_order_relaxed) ? 0.0f : 1.0f;
  float gain = ring->outputGain;
  // Settled, as it is nearly always: unity gain leaves the block as it is, a settled mute
  // silences it. The smoother's chain of dependent steps is the costly part of a cycle.
  if (gain == goal) {
    if (goal == 0.0f) {
      std::fill_n(left, frames, 0.0f);
      std::fill_n(right, frames, 0.0f);
    }
    return;
  }
  const double coefficient =
      sampleRate > 1.0 ? 1.0 - std::exp(-1.0 / (sampleRate * kEnvelopeTimeConstantSeconds))
                       : kFallbackEnvelopeCoefficient;
  const float k = static_cast<float>(coefficient);
  float previous = gain;
  for (std::uint32_t i = 0; i < frames; ++i) {
    previous = gain;
    gain = std::fma(goal - gain, k, gain);
    left[i] *= gain;
    right[i] *= gain;
  }
  // Rounding stalls the smoother about 1e-5 short of unity gain, where a step no longer moves
  // it; at that point, or once close enough, it settles on the goal exactly.
  if (gain == previous || std::fabs(goal - gain) < kEnvelopeSnapDistance) gain = goal;
  ring->outputGain = gain;
}

void VXRingBufferSetMuted(VXRingBufferRef ring, bool muted) {
  ring->muted.store(muted, std::memory_order_relaxed);
}

VXMeterSnapshot VXRingBufferTakeMeterSnapshot(VXRingBufferRef ring) {
  const std::uint32_t zero = std::bit_cast<std::uint32_t>(0.0f);
  return VXMeterSnapshot{
      std::bit_cast<float>(ring->leftPeak.exchange(zero, std::memory_order_relaxed)),
      std::bit_cast<float>(ring->rightPeak.exchange(zero, std::memory_order_relaxed)),
      ring->leftClip.load(std::memory_order_relaxed),
      ring->rightClip.load(std::memory_order_relaxed),
  };
}

void VXRingBufferClearClips(VXRingBufferRef ring) {
  VXRingBufferClearLeftClip(ring);
  VXRingBufferClearRightClip(ring);
}

void VXRingBufferClearLeftClip(VXRingBufferRef ring) {
  ring->leftClip.store(false, std::memory_order_relaxed);
}

void VXRingBufferClearRightClip(VXRingBufferRef ring) {
  ring->rightClip.store(false, std::memory_order_relaxed);
}

std::uint64_t VXRingBufferBufferedFrames(VXRingBufferRef ring) {
  // Read position first: it never passes the write position loaded after it.
  const std::uint64_t read = ring->readIndex.load(std::memory_order_acquire);
  const std::uint64_t write = ring->writeIndex.load(std::memory_order_acquire);
  return write - read;
}

std::uint64_t VXRingBufferTargetFrames(VXRingBufferRef ring) {
  return ring->targetFrames;
}

std::uint64_t VXRingBufferWrittenFrames(VXRingBufferRef ring) {
  return ring->writeIndex.load(std::memory_order_relaxed);
}

std::uint64_t VXRingBufferUnderruns(VXRingBufferRef ring) {
  return ring->underruns.load(std::memory_order_relaxed);
}

std::uint64_t VXRingBufferOverruns(VXRingBufferRef ring) {
  return ring->overruns.load(std::memory_order_relaxed);
}

void VXRingBufferReportError(VXRingBufferRef ring, std::int32_t status) {
  if (status == 0) return;
  std::int32_t expected = 0;
  ring->errorStatus.compare_exchange_strong(expected, status, std::memory_order_release,
                                            std::memory_order_relaxed);
}

std::int32_t VXRingBufferTakeError(VXRingBufferRef ring) {
  return ring->errorStatus.exchange(0, std::memory_order_acq_rel);
}
