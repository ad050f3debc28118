#pragma once

// The look of a mechanical push button: a raised body with a deep shadow, or a sunk body with a
// light shadow while it is pressed or latched. Pure drawing; HardwareButton feeds it the states.

#include <QColor>
#include <QMargins>
#include <QRectF>
#include <utility>

class QPainter;

struct HardwareButtonStyle {
  static constexpr double cornerRadius = 5.0;
  static constexpr int horizontalPadding = 12;
  static constexpr int minimumHeight = 50;
  static constexpr double enabledOpacity = 1.0;
  static constexpr double disabledOpacity = 0.62;
  static constexpr int pressAnimationMilliseconds = 80;

  bool isLatched = false;
  bool isEnabled = true;
  bool reduceMotion = false;

  // Top and bottom of the body's vertical gradient: sunk when pressed or latched, else raised.
  std::pair<QColor, QColor> buttonColors(bool isPressed) const;

  QColor foreground() const;
  double opacity() const { return isEnabled ? enabledOpacity : disabledOpacity; }

  // Paints the body whose rest position is `body`. `pressed` runs from 0 (released) to 1 (held
  // down) so that the pressed-state animation can blend the two looks and slide the body down.
  void paintBody(QPainter& painter, const QRectF& body, double pressed) const;

  // Room the raised shadow needs around the body.
  static QMargins shadowMargins();
};
