#pragma once

// A hardware button that stays sunk while latched. Assistive technology reads its name with the
// value "On" or "Off" (also as a read-only text, which the AT-SPI bridge carries), its checked
// state, and the hint as its description.

#include "ui/AccessibleValueSource.h"
#include "ui/HardwareButton.h"

class ButtonFace;

class LatchButton : public HardwareButton, public AccessibleValueSource {
  Q_OBJECT

 public:
  ButtonFace* buttonFace() const { return face_; }

  QString accessibleValueText() const override;
  QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
  std::optional<bool> accessibleCheckedState() const override { return latched_; }

 protected:
  LatchButton(std::function<bool()> reduceMotion, QWidget* parent);

  bool isOn() const { return latched_; }
  // Changes the state, redraws the face and tells assistive technology.
  void setOn(bool on);
  // Sets the face for the current state; subclasses call it once they are constructed.
  virtual void applyLook() = 0;

 private:
  ButtonFace* face_;
  bool latched_ = false;
};
