#include "ui/ControlLamp.h"

#include <QPainter>

#include "ui/SoftShadow.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {
constexpr double cornerRadius = 1.5;
}

ControlLamp::ControlLamp(QColor color, bool isLit, QWidget* parent)
    : DecorativeWidget(parent), color_(color), isLit_(isLit) {
  setFixedSize(sizeHint());
}

void ControlLamp::setColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void ControlLamp::setLit(bool isLit) {
  if (isLit == isLit_) return;
  isLit_ = isLit;
  update();
}

void ControlLamp::paint(QPainter& painter, const QRectF& frame, const QColor& color, bool isLit) {
  if (isLit) SoftShadow{withOpacity(color, 0.45), 3.0, {}}.paint(painter, frame, cornerRadius);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(withOpacity(color, isLit ? 0.95 : 0.48));
  painter.setPen(QPen(withOpacity(color, isLit ? 0.9 : 0.35), 0.75));
  const QRectF stroked = frame.adjusted(0.375, 0.375, -0.375, -0.375);
  painter.drawRoundedRect(stroked, cornerRadius, cornerRadius);
  painter.restore();
}

QSize ControlLamp::sizeHint() const {
  return {static_cast<int>(width) + 2 * glowReach, static_cast<int>(height) + 2 * glowReach};
}

void ControlLamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paint(painter, QRectF(glowReach, glowReach, width, height), color_, isLit_);
}
