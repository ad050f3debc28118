#include "ui/SoftShadow.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

void SoftShadow::paint(QPainter& painter, const QRectF& shape, double cornerRadius) const {
  if (!color.isValid() || color.alpha() == 0 || radius <= 0.0) return;
  const int layers = std::max(3, static_cast<int>(std::ceil(radius * 2.0)));
  // Each layer's alpha is chosen so that all layers stacked give the requested opacity.
  const double layerAlpha = 1.0 - std::pow(1.0 - color.alphaF(), 1.0 / layers);
  QColor layerColor = color;
  layerColor.setAlphaF(static_cast<float>(layerAlpha));

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(layerColor);
  const QRectF base = shape.translated(offset);
  for (int layer = 0; layer < layers; ++layer) {
    const double grow = -radius / 2.0 + 1.5 * radius * layer / (layers - 1);
    const QRectF rect = base.adjusted(-grow, -grow, grow, grow);
    if (rect.width() <= 0.0 || rect.height() <= 0.0) continue;
    const double corner =
        std::clamp(cornerRadius + grow, 0.0, std::min(rect.width(), rect.height()) / 2.0);
    painter.drawRoundedRect(rect, corner, corner);
  }
  painter.restore();
}

QMarginsF SoftShadow::reach() const {
  if (!color.isValid() || color.alpha() == 0 || radius <= 0.0) return {};
  return {std::max(0.0, radius - offset.x()), std::max(0.0, radius - offset.y()),
          std::max(0.0, radius + offset.x()), std::max(0.0, radius + offset.y())};
}
