#pragma once

// The route-latency latch in the diagnostics: sunk while the low-latency route is chosen, read as
// "Low latency".

#include "ui/LatchButton.h"

class LatencyLatch : public LatchButton {
  Q_OBJECT

 public:
  explicit LatencyLatch(std::function<bool()> reduceMotion, QWidget* parent = nullptr);

  void setLow(bool low) { setOn(low); }
  bool isLow() const { return isOn(); }

 private:
  void applyLook() override;
};
