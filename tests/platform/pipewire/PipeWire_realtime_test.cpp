// The engine's route on PipeWire's data thread: the process callbacks of both streams, and the
// engine's callbacks inside them (capture, ring, converter, envelope and drift steering), must
// never touch the heap while audio flows.

#include <gtest/gtest.h>
#include <pipewire/pipewire.h>

#include <chrono>
#include <set>
#include <thread>

#include "audio/MonitoringEngine.h"
#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PrivateSession.h"
#include "platform/pipewire/ThreadLoopLock.h"
#include "platform/resampler/VarispeedUnit.h"
#include "support/AllocationCounter.h"

using namespace pipewire_test;
using namespace std::chrono_literals;

namespace {

class PipeWireRealtime : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(startPrivateSession()); }
  static void TearDownTestSuite() { stopPrivateSession(); }
};

// The allocations made so far by the context's data thread, which runs the process callbacks of
// both streams (they ask for it): read there, between two of its cycles.
std::uint64_t dataThreadAllocations(PipeWireHardware& hardware) {
  pw_loop* loop = nullptr;
  {
    ThreadLoopLock lock(hardware.threadLoop());
    loop = pw_data_loop_get_loop(pw_context_get_data_loop(pw_core_get_context(hardware.core())));
  }
  std::uint64_t count = 0;
  pw_loop_invoke(
      loop,
      [](spa_loop*, bool, std::uint32_t, const void*, std::size_t, void* result) {
        *static_cast<std::uint64_t*>(result) = allocationsOnThisThread();
        return 0;
      },
      0, nullptr, 0, true, &count);
  return count;
}

}  // namespace

TEST_F(PipeWireRealtime, TheDataThreadAllocatesNothingWhileTheRouteRuns) {
  PipeWireHardware hardware;
  PipeWireAudioComponents components(hardware, [] { return std::make_unique<VarispeedUnit>(); });
  ThreadBlockingSleep sleep;
  MonitoringEngine engine(components, sleep);

  const AudioObjectID input = deviceWithUID(hardware, kInterface);
  const AudioObjectID output = deviceWithUID(hardware, kSpeakers);
  ASSERT_TRUE(input != kAudioObjectUnknown && output != kAudioObjectUnknown);
  // The graph's quantum stands for the buffer sizes.
  for (const AudioObjectID device : {input, output})
    EXPECT_EQ(
        readValue<UInt32>(hardware, device, propertyAddress(kAudioDevicePropertyBufferFrameSize)),
        1024u);
  engine.start({input, {2, 3, "AUX2", "AUX3"}, 48000.0, 1024, output, 48000.0, 1024}, false);
  const std::uint64_t first = dataThreadAllocations(hardware);
  // Both callbacks run: the fill moves, and the ring neither overflows (no pulls) nor runs dry.
  // The envelope ramps both ways meanwhile.
  std::set<std::uint64_t> fills;
  for (int poll = 0; poll < 100; ++poll) {
    std::this_thread::sleep_for(20ms);
    engine.setMuted(poll % 40 >= 20);
    fills.insert(
        engine.realtimeSnapshot(std::chrono::steady_clock::now())->diagnostics.bufferedFrames);
  }
  const std::uint64_t last = dataThreadAllocations(hardware);
  const EngineDiagnostics diagnostics =
      engine.realtimeSnapshot(std::chrono::steady_clock::now())->diagnostics;
  engine.stop();

  EXPECT_GT(fills.size(), 2u);
  EXPECT_EQ(diagnostics.underruns + diagnostics.overruns, 0u);
  EXPECT_EQ(last - first, 0u) << "the data thread allocated while the route ran";
}
