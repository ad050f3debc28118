#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "controller/ControllerHarness.h"
#include "devices/HardwareReads.h"

using Kind = MonitoringPhase::Kind;

namespace {

// A start with the permission undetermined asks once and waits; whatever happens while the prompt
// is open, the answer decides where the route ends.
TEST(PermissionTest, TheAnswerToTheFirstStartDecidesWhereTheRouteEnds) {
  using H = ControllerHarness;
  const struct {
    const char* name;
    std::function<void(H&)> whilePromptOpen;
    bool grant;
    MonitoringPhase phase;
    bool intent;
  } rows[] = {
      {"granted from another thread", [](H&) {}, true, MonitoringPhase::running(), true},
      {"denied", [](H&) {}, false, MonitoringPhase::stopped(), false},
      {"stopped first", [](H& h) { h.vm().toggleMonitoring(); }, true, MonitoringPhase::stopped(),
       false},
      // The platform may report the grant before the answer resumes the start; a reconciliation
      // in that window must not start the engine a second time.
      {"reconciled first",
       [](H& h) {
         h.authorization.setStatus(AVAuthorizationStatusAuthorized);
         h.vm().applicationBecameActive();
         h.catalog.signal(4, propertyAddress(kAudioDevicePropertyDeviceHasChanged));
         h.settleRefresh();
       },
       true, MonitoringPhase::running(), true},
      {"route lost first",
       [](H& h) {
         h.unplug(4);
         h.settleRefresh();
       },
       true, MonitoringPhase::waitingForInput(), true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    H h;
    h.authorization.setStatus(AVAuthorizationStatusNotDetermined);
    h.plugOutput("Speakers", "speakers");
    ASSERT_EQ(h.plugInput("Scarlett 2i2", "scarlett"), 4u);
    MonitorViewModel& vm = h.launch();
    h.settle();
    EXPECT_TRUE(vm.canStart()) << "an undetermined permission allows a start";
    vm.toggleMonitoring();
    h.advance(500ms);
    row.whilePromptOpen(h);
    EXPECT_EQ(vm.phase(), vm.monitorIntent() ? MonitoringPhase::requestingPermission()
                                             : MonitoringPhase::stopped());
    EXPECT_EQ(h.authorization.openPrompts(), 1u);
    EXPECT_EQ(h.components.liveInstanceCount(), 0u);
    PhaseRecorder phases(vm);
    std::thread([&] { h.authorization.answer(row.grant); }).join();
    EXPECT_TRUE(phases.kinds.empty()) << "the answer continues on the main thread";
    h.settle();
    EXPECT_EQ(vm.phase(), row.phase);
    EXPECT_EQ(vm.monitorIntent(), row.intent);
    EXPECT_EQ(vm.permission(),
              row.grant ? MicrophonePermission::authorized : MicrophonePermission::denied);
    EXPECT_EQ(h.components.liveInstanceCount(), vm.isMonitoring() ? 3u : 0u);
    if (row.phase == MonitoringPhase::waitingForInput()) {
      h.plugInput("Scarlett 2i2", "scarlett");
      h.settleRefresh();
      EXPECT_EQ(vm.phase(), MonitoringPhase::running());
    }
  }
}

TEST(PermissionTest, StartWithRefusedPermissionDoesNothing) {
  ControllerHarness h;
  h.plugOutput("Speakers", "speakers");
  h.plugInput("Scarlett 2i2", "scarlett");
  h.authorization.setStatus(AVAuthorizationStatusRestricted);
  MonitorViewModel& vm = h.launch();
  h.settle();
  PhaseRecorder phases(vm);
  vm.toggleMonitoring();
  h.settle();
  EXPECT_TRUE(phases.kinds.empty());
  EXPECT_FALSE(vm.monitorIntent());
  EXPECT_EQ(h.authorization.requests(), 0u);
}

}  // namespace
