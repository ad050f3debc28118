#pragma once

// A widget whose accessible value is a text rather than a number (the meter bar, the peak
// readout, the clip lamp). Its accessible interface reads the value through this.

#include <QAccessible>
#include <QString>

class AccessibleValueSource {
 public:
  virtual QString accessibleValueText() const = 0;
  virtual QAccessible::Role accessibleRole() const = 0;

 protected:
  ~AccessibleValueSource() = default;
};
