#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ringbuffer/VXRingBuffer.h"

namespace {

constexpr std::uint32_t kFrames = 512;

// One capture cycle and one playback pull through a ring primed at its target, as the two
// real-time callbacks do it every buffer period.
void BM_RingBufferWriteThenRead512(benchmark::State& state) {
  VXRingBuffer* ring = VXRingBufferCreate(8192, 2048);
  std::vector<float> left(kFrames, 0.25f);
  std::vector<float> right(kFrames, -0.25f);
  std::vector<float> outLeft(kFrames);
  std::vector<float> outRight(kFrames);
  for (std::uint32_t primed = 0; primed < 2048; primed += kFrames) {
    VXRingBufferWrite(ring, left.data(), right.data(), kFrames);
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(VXRingBufferWrite(ring, left.data(), right.data(), kFrames));
    benchmark::DoNotOptimize(VXRingBufferRead(ring, outLeft.data(), outRight.data(), kFrames));
    benchmark::ClobberMemory();
  }
  if (VXRingBufferUnderruns(ring) != 0 || VXRingBufferOverruns(ring) != 0) {
    state.SkipWithError("the ring left its steady state");
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  VXRingBufferDestroy(ring);
}
BENCHMARK(BM_RingBufferWriteThenRead512);

void BM_RingBufferApplyOutputEnvelope512(benchmark::State& state) {
  VXRingBuffer* ring = VXRingBufferCreate(1024, 0);
  std::vector<float> left(kFrames, 0.5f);
  std::vector<float> right(kFrames, -0.5f);
  bool muted = false;
  for (auto _ : state) {
    // Alternating keeps the gain moving; a settled gain would measure the easy case only.
    VXRingBufferSetMuted(ring, muted = !muted);
    // Fresh samples each time, or repeated scaling would shrink them into subnormals.
    std::fill(left.begin(), left.end(), 0.5f);
    std::fill(right.begin(), right.end(), -0.5f);
    VXRingBufferApplyOutputEnvelope(ring, left.data(), right.data(), kFrames, 48000.0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  VXRingBufferDestroy(ring);
}
BENCHMARK(BM_RingBufferApplyOutputEnvelope512);

}  // namespace
