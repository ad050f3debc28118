#pragma once

// The mute latch: a hardware button that stays sunk while the output is muted. Assistive
// technology reads "Mute output" with the value "On" or "Off" (also as a read-only text, which
// the AT-SPI bridge carries), its checked state, and the hint as its description.

#include "ui/AccessibleValueSource.h"
#include "ui/HardwareButton.h"

class ButtonFace;

class MuteLatch : public HardwareButton, public AccessibleValueSource {
  Q_OBJECT

 public:
  static constexpr int fixedWidth = 172;

  explicit MuteLatch(std::function<bool()> reduceMotion, QWidget* parent = nullptr);

  void setMuted(bool muted);
  bool isMuted() const { return muted_; }
  ButtonFace* buttonFace() const { return face_; }

  QString accessibleValueText() const override;
  QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
  std::optional<bool> accessibleCheckedState() const override { return muted_; }

 private:
  void applyLook();

  ButtonFace* face_;
  bool muted_ = false;
};
