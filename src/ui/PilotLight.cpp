#include "ui/PilotLight.h"

#include <QPainter>

#include "ui/SoftShadow.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

PilotLight::PilotLight(QColor color, bool isLit, QWidget* parent)
    : DecorativeWidget(parent), color_(color), isLit_(isLit) {
  setFixedSize(sizeHint());
}

void PilotLight::setColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void PilotLight::setLit(bool isLit) {
  if (isLit == isLit_) return;
  isLit_ = isLit;
  update();
}

void PilotLight::paint(QPainter& painter, const QRectF& frame, const QColor& color, bool isLit) {
  if (isLit) SoftShadow{withOpacity(color, 0.8), 4.0, {}}.paint(painter, frame, frame.width() / 2);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(isLit ? color : withOpacity(color, 0.17));
  painter.setPen(QPen(withOpacity(color, isLit ? 0.9 : 0.3), 1.0));
  painter.drawEllipse(frame.adjusted(0.5, 0.5, -0.5, -0.5));
  painter.restore();
}

QSize PilotLight::sizeHint() const {
  const int side = static_cast<int>(diameter) + 2 * glowReach;
  return {side, side};
}

void PilotLight::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paint(painter, QRectF(glowReach, glowReach, diameter, diameter), color_, isLit_);
}
