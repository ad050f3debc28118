#pragma once

// One QApplication for every widget test, offscreen: no display needed, also for CTest's listing.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

class OffscreenApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[12] = "vx_ui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const offscreenApplication =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication);
