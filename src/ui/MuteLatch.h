#pragma once

// The mute latch: sunk while the output is muted, read as "Mute output".

#include "ui/LatchButton.h"

class MuteLatch : public LatchButton {
  Q_OBJECT

 public:
  static constexpr int fixedWidth = 172;

  explicit MuteLatch(std::function<bool()> reduceMotion, QWidget* parent = nullptr);

  void setMuted(bool muted) { setOn(muted); }
  bool isMuted() const { return isOn(); }

 private:
  void applyLook() override;
};
