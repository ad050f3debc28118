#include "ui/LatchButton.h"

#include <QAccessible>

#include "ui/ButtonFace.h"

LatchButton::LatchButton(std::function<bool()> reduceMotion, QWidget* parent)
    : HardwareButton(std::move(reduceMotion), parent), face_(new ButtonFace) {
  setFace(face_);
}

void LatchButton::setOn(bool on) {
  if (on == latched_) return;
  latched_ = on;
  applyLook();
  QAccessibleValueChangeEvent event(this, accessibleValueText());
  QAccessible::updateAccessibility(&event);
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent stateEvent(this, changed);
  QAccessible::updateAccessibility(&stateEvent);
}

QString LatchButton::accessibleValueText() const {
  return latched_ ? QStringLiteral("On") : QStringLiteral("Off");
}
