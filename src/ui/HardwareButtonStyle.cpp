#include "ui/HardwareButtonStyle.h"

#include <QLinearGradient>
#include <QPainter>

#include "ui/SoftShadow.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

const SoftShadow& raisedShadow() {
  static const SoftShadow shadow{QColor::fromRgbF(0, 0, 0, 0.55f), 3.0, QPointF(0.0, 2.0)};
  return shadow;
}

const SoftShadow& sunkShadow() {
  static const SoftShadow shadow{QColor::fromRgbF(0, 0, 0, 0.2f), 1.0, QPointF()};
  return shadow;
}

QColor blend(const QColor& from, const QColor& to, double t) {
  return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                          static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                          static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t),
                          static_cast<float>(from.alphaF() + (to.alphaF() - from.alphaF()) * t));
}

SoftShadow blend(const SoftShadow& from, const SoftShadow& to, double t) {
  return {blend(from.color, to.color, t), from.radius + (to.radius - from.radius) * t,
          from.offset + (to.offset - from.offset) * t};
}

}  // namespace

std::pair<QColor, QColor> HardwareButtonStyle::buttonColors(bool isPressed) const {
  if (isPressed || isLatched) {
    return {withOpacity(StudioPalette::inset(), 0.92), withOpacity(StudioPalette::panel(), 0.85)};
  }
  return {withOpacity(StudioPalette::edge(), 0.8), StudioPalette::panel()};
}

QColor HardwareButtonStyle::foreground() const {
  return isEnabled ? StudioPalette::textPrimary() : StudioPalette::engraved();
}

void HardwareButtonStyle::paintBody(QPainter& painter, const QRectF& body, double pressed) const {
  // A latched button already looks sunk; pressing it only slides it down.
  const double sunk = isLatched ? 1.0 : pressed;
  const QRectF moved = body.translated(0.0, pressed);
  blend(raisedShadow(), sunkShadow(), sunk).paint(painter, moved, cornerRadius);

  const auto [raisedTop, raisedBottom] = buttonColors(false);
  const auto [sunkTop, sunkBottom] = buttonColors(true);
  QLinearGradient fill(moved.topLeft(), moved.bottomLeft());
  fill.setColorAt(0.0, blend(raisedTop, sunkTop, sunk));
  fill.setColorAt(1.0, blend(raisedBottom, sunkBottom, sunk));

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(fill);
  painter.setPen(QPen(StudioPalette::edge(), 1.0));
  painter.drawRoundedRect(moved.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
  painter.restore();
}

QMargins HardwareButtonStyle::shadowMargins() {
  return raisedShadow().reach().toMargins();
}
