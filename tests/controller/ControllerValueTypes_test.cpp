#include <gtest/gtest.h>

#include "controller/MicrophonePermission.h"
#include "controller/MonitoringPhase.h"
#include "controller/RouteKey.h"
#include "controller/RouteReadiness.h"

namespace {

TEST(MonitoringPhaseTest, FailedPhasesAreEqualOnlyWithEqualMessages) {
  EXPECT_EQ(MonitoringPhase::failed("a"), MonitoringPhase::failed("a"));
  EXPECT_NE(MonitoringPhase::failed("a"), MonitoringPhase::failed("b"));
  EXPECT_NE(MonitoringPhase::failed(""), MonitoringPhase::stopped());
  EXPECT_EQ(MonitoringPhase::running(), MonitoringPhase::running());
  EXPECT_NE(MonitoringPhase::running(), MonitoringPhase::reconfiguring());
}

TEST(MicrophonePermissionTest, PlatformStatusMapping) {
  EXPECT_EQ(microphonePermission(AVAuthorizationStatusNotDetermined),
            MicrophonePermission::notDetermined);
  EXPECT_EQ(microphonePermission(AVAuthorizationStatusRestricted),
            MicrophonePermission::restricted);
  EXPECT_EQ(microphonePermission(AVAuthorizationStatusDenied), MicrophonePermission::denied);
  EXPECT_EQ(microphonePermission(AVAuthorizationStatusAuthorized),
            MicrophonePermission::authorized);
  EXPECT_EQ(microphonePermission(4), MicrophonePermission::restricted);
  EXPECT_EQ(microphonePermission(-1), MicrophonePermission::restricted);
}

TEST(RouteKeyTest, IgnoresChannelNamesOnly) {
  MonitoringConfiguration configuration{7, {2, 3, "In 3", "In 4"}, 48000.0, 256, 9, 44100.0, 512};
  MonitoringConfiguration renamed = configuration;
  renamed.channelPair.leftName = "Vocal";
  EXPECT_EQ(RouteKey::of(configuration), RouteKey::of(renamed));
  MonitoringConfiguration otherBuffer = configuration;
  otherBuffer.outputBufferFrameSize = 1024;
  EXPECT_NE(RouteKey::of(configuration), RouteKey::of(otherBuffer));
  MonitoringConfiguration otherPair = configuration;
  otherPair.channelPair.rightChannel = 4;
  EXPECT_NE(RouteKey::of(configuration), RouteKey::of(otherPair));
}

}  // namespace
