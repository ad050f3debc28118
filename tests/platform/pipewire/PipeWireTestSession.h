#pragma once

#include <gtest/gtest.h>

#include "platform/pipewire/PrivateSession.h"

// The private PipeWire session of the tests: one per test process, started before the first test
// and ended after the last.
namespace pipewire_test {

class SessionEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(startPrivateSession()) << "the private PipeWire session did not start";
  }
  void TearDown() override { stopPrivateSession(); }
};

inline testing::Environment* const kSessionEnvironment =
    testing::AddGlobalTestEnvironment(new SessionEnvironment);

}  // namespace pipewire_test
