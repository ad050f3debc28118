#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "controller/ControllerHarness.h"

using Kind = MonitoringPhase::Kind;

namespace {

// Drives a seeded random sequence of hardware changes and user actions through the controller and
// checks, after every step, what must hold whatever happened before.
class RandomWalk {
 public:
  explicit RandomWalk(unsigned seed) : random_(seed) {
    outputs_ = {h_.plugOutput("Speakers", "speakers"),
                h_.plugOutput("Headphones", "headphones", 44100.0, false)};
    scarlett_ = h_.plugInput("Scarlett 4i4", "scarlett");
    box_ = h_.plugInput("Box", "box", 2);
    h_.launch();
    h_.settle();
  }

  void step() {
    MonitorViewModel& vm = h_.vm();
    const std::function<void()> events[] = {
        [&] { scarlett_ = replug(scarlett_, "scarlett", 4); },
        [&] { box_ = replug(box_, "box", 2); },
        [&] { h_.catalog.setDefaultOutputDevice(outputs_[static_cast<std::size_t>(pick(2))]); },
        [&] { h_.catalog.setDefaultOutputDevice(kAudioObjectUnknown); },
        [&] {
          constexpr Float64 rates[] = {44100.0, 48000.0, 96000.0, 384000.0};
          if (scarlett_ != 0) h_.setRate(scarlett_, rates[pick(4)]);
        },
        [&] { vm.toggleMonitoring(); },
        [&] { vm.toggleMonitoring(); },
        [&] {
          vm.selectInputDevice(pick(4) == 0 ? "gone" : pick(2) ? "scarlett" : "box");
        },
        [&] { vm.selectChannelPair(pick(2) ? "0-1" : "2-3"); },
        [&] {
          h_.authorization.setStatus(pick(5) == 0 ? AVAuthorizationStatusDenied
                                                  : AVAuthorizationStatusAuthorized);
          vm.applicationBecameActive();
        },
        [&] { vm.setMuted(!vm.isMuted()); },
        [&] { pick(2) ? vm.clearLeftClip() : vm.clearRightClip(); },
        [&] { pick(2) ? vm.releaseLeftPeak() : vm.releaseRightPeak(); },
        [&] { vm.retry(); },
    };
    events[pick(std::size(events))]();
    h_.advance(std::chrono::milliseconds(pick(300)));
    checkInvariants();
  }

  // With no further events, one debounce later the route has settled where the state says.
  void settleAndCheckConvergence() {
    h_.advance(MonitorViewModel::refreshDebounce + 50ms);
    checkInvariants();
    const MonitorViewModel& vm = h_.vm();
    // A failed route waits for the next reconciliation, which only a new event brings.
    if (vm.monitorIntent() && vm.permission() == MicrophonePermission::authorized &&
        vm.routeReadiness().isReady() && vm.phase().kind() != Kind::failed) {
      EXPECT_EQ(vm.phase(), MonitoringPhase::running());
      EXPECT_EQ(h_.components.liveInstanceCount(), 3u);
    }
  }

 private:
  int pick(std::size_t bound) {
    return std::uniform_int_distribution<int>(0, static_cast<int>(bound) - 1)(random_);
  }

  AudioObjectID replug(AudioObjectID id, const char* uid, UInt32 channels) {
    if (id == 0) return h_.plugInput(uid, uid, channels);
    h_.unplug(id);
    return 0;
  }

  void checkInvariants() {
    const MonitorViewModel& vm = h_.vm();
    const std::size_t units = h_.components.liveInstanceCount();
    if (!vm.monitorIntent()) {
      EXPECT_EQ(units, 0u) << "the engine runs only while monitoring is wanted";
      EXPECT_FALSE(vm.phase().isWaiting());
    }
    EXPECT_TRUE(!vm.isMonitoring() || units == 3u) << units << " units while monitoring";
    EXPECT_NE(vm.phase().kind(), Kind::starting);
    EXPECT_NE(vm.phase().kind(), Kind::stopping);
    // A user start can still meet a device that vanished within the debounce; it fails with one
    // of the fixed messages, never with anything else.
    if (vm.phase().kind() == Kind::failed) {
      EXPECT_TRUE(vm.phase().message() == MonitorViewModel::startFailure ||
                  vm.phase().message() == MonitorViewModel::unsupportedFormatFailure ||
                  vm.phase().message() == MonitorViewModel::streamFailure)
          << vm.phase().message();
      EXPECT_TRUE(vm.technicalError());
    }
    for (const MeterReading* meter : {&vm.leftMeter(), &vm.rightMeter()}) {
      EXPECT_GE(meter->levelDBFS, -60.0);
      EXPECT_GE(meter->peakDBFS, meter->levelDBFS);
      EXPECT_GE(meter->sessionPeakDBFS, -60.0);
    }
  }

  ControllerHarness h_;
  std::mt19937 random_;
  std::vector<AudioObjectID> outputs_;
  AudioObjectID scarlett_ = 0;
  AudioObjectID box_ = 0;
};

TEST(RandomWalkTest, InvariantsHoldThroughThousandsOfEvents) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  RandomWalk walk(seed);
  for (int i = 0; i < 2000 && !::testing::Test::HasFailure(); ++i) {
    walk.step();
    if (i % 10 == 9) walk.settleAndCheckConvergence();
  }
}

}  // namespace
