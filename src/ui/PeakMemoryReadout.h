#pragma once

// The peak-memory readout of one meter channel: the highest level since the last reset, in
// dBFS, on a small recessed plate. Clicking it asks for the memory to be released.
// Assistive technology: name "Reset <label> peak memory", the hint as description, the value
// text through the read-only text interface.

#include <QAbstractButton>

#include "ui/AccessibleValueSource.h"

class PeakMemoryReadout : public QAbstractButton, public AccessibleValueSource {
  Q_OBJECT

 public:
  static constexpr int boxWidth = 64;
  static constexpr int boxHeight = 24;
  static constexpr int plateHeight = 22;

  explicit PeakMemoryReadout(QWidget* parent = nullptr);

  void setLabel(const QString& label);
  void setSessionPeak(double sessionPeakDBFS);

  // The number shown, for example -12.3.
  QString number() const { return number_; }

  QString accessibleValueText() const override;
  QAccessible::Role accessibleRole() const override { return QAccessible::Button; }

  QSize sizeHint() const override { return {boxWidth, boxHeight}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString number_;
};
