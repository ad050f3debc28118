#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/pipewire/PrivateSession.h"

// The private PipeWire session of the tests: one per test process, started before the first test
// and ended after the last.
namespace pipewire_test {

class SessionEnvironment : public testing::Environment {
 public:
  // Without a session every test would be skipped, which a test runner counts as passing.
  void SetUp() override {
    if (startPrivateSession()) return;
    std::fprintf(stderr, "the private PipeWire session did not start\n");
    std::exit(1);
  }
  void TearDown() override { stopPrivateSession(); }
};

// Long runs are affordable by hand, not on every push: the environment lengthens them.
inline long fromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::atol(text) : fallback;
}

inline testing::Environment* const kSessionEnvironment =
    testing::AddGlobalTestEnvironment(new SessionEnvironment);

}  // namespace pipewire_test
