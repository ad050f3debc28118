#pragma once

// A widget whose accessible value is a text rather than a number (the meter bar, the peak
// readout, the clip lamp). Its accessible interface reads the value through this.

#include <QAccessible>
#include <QString>
#include <optional>

class AccessibleValueSource {
 public:
  virtual QString accessibleValueText() const = 0;
  virtual QAccessible::Role accessibleRole() const = 0;
  // A latch's state, which screen readers announce as checked or not; absent for other widgets.
  virtual std::optional<bool> accessibleCheckedState() const { return std::nullopt; }

 protected:
  ~AccessibleValueSource() = default;
};
