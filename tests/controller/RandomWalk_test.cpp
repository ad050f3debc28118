#include <gtest/gtest.h>

#include <random>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

using Kind = MonitoringPhase::Kind;

namespace {

// Drives a seeded random sequence of hardware changes and user actions through the controller and
// checks, after every step, what must hold whatever happened before.
class RandomWalk {
 public:
  explicit RandomWalk(unsigned seed) : random_(seed) {
    outputs_.push_back(harness_.plugOutput("Speakers", "speakers"));
    outputs_.push_back(harness_.plugOutput("Headphones", "headphones", 44100.0, false));
    scarlett_ = harness_.plugInput("Scarlett 4i4", "scarlett");
    other_ = harness_.plugInput("Box", "box", 2);
    harness_.launch();
    harness_.settle();
  }

  void step() {
    act(pick(14));
    harness_.advance(std::chrono::milliseconds(pick(300)));
    checkInvariants();
  }

  // With no further events, one debounce later the route has settled where the state says.
  void settleAndCheckConvergence() {
    harness_.advance(MonitorViewModel::refreshDebounce + 50ms);
    checkInvariants();
    MonitorViewModel& vm = harness_.vm();
    // A failed route waits for the next reconciliation, which only a new event brings.
    if (vm.monitorIntent() && vm.permission() == MicrophonePermission::authorized &&
        vm.routeReadiness().isReady() && vm.phase().kind() != Kind::failed) {
      EXPECT_EQ(vm.phase(), MonitoringPhase::running());
      EXPECT_EQ(harness_.components.liveInstanceCount(), 3u);
    }
  }

 private:
  int pick(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

  void act(int event) {
    MonitorViewModel& vm = harness_.vm();
    switch (event) {
      case 0:  // unplug or plug back the interface
        if (scarlett_ != 0) {
          harness_.unplug(scarlett_);
          scarlett_ = 0;
        } else {
          scarlett_ = harness_.plugInput("Scarlett 4i4", "scarlett");
        }
        break;
      case 1:
        if (other_ != 0) {
          harness_.unplug(other_);
          other_ = 0;
        } else {
          other_ = harness_.plugInput("Box", "box", 2);
        }
        break;
      case 2:
        harness_.catalog.setDefaultOutputDevice(outputs_[static_cast<std::size_t>(pick(2))]);
        break;
      case 3:
        harness_.catalog.setDefaultOutputDevice(kAudioObjectUnknown);
        break;
      case 4:
        if (scarlett_ != 0) {
          constexpr Float64 rates[] = {44100.0, 48000.0, 96000.0, 384000.0};
          harness_.setRate(scarlett_, rates[pick(4)]);
        }
        break;
      case 5:
      case 6:
        vm.toggleMonitoring();
        break;
      case 7:
        vm.selectInputDevice(pick(4) == 0
                                 ? std::optional<std::string>("gone")
                                 : std::optional<std::string>(pick(2) ? "scarlett" : "box"));
        break;
      case 8:
        vm.selectChannelPair(pick(2) ? "0-1" : "2-3");
        break;
      case 9:
        harness_.authorization.setStatus(pick(5) == 0 ? AVAuthorizationStatusDenied
                                                      : AVAuthorizationStatusAuthorized);
        vm.applicationBecameActive();
        break;
      case 10:
        vm.setMuted(!vm.isMuted());
        break;
      case 11:
        pick(2) ? vm.clearLeftClip() : vm.clearRightClip();
        break;
      case 12:
        pick(2) ? vm.releaseLeftPeak() : vm.releaseRightPeak();
        break;
      case 13:
        vm.retry();
        break;
    }
  }

  void checkInvariants() {
    const MonitorViewModel& vm = harness_.vm();
    const std::size_t units = harness_.components.liveInstanceCount();
    if (!vm.monitorIntent()) {
      EXPECT_EQ(units, 0u) << "the engine runs only while monitoring is wanted";
      EXPECT_FALSE(vm.phase().isWaiting());
    }
    if (vm.isMonitoring()) {
      EXPECT_EQ(units, 3u);
    }
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

  ControllerHarness harness_;
  std::mt19937 random_;
  std::vector<AudioObjectID> outputs_;
  AudioObjectID scarlett_ = 0;
  AudioObjectID other_ = 0;
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
