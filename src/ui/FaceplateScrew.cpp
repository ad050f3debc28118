#include "ui/FaceplateScrew.h"

#include <QLinearGradient>
#include <QPainter>

#include "ui/SoftShadow.h"
#include "ui/StudioPalette.h"

namespace {

const SoftShadow& screwShadow() {
  static const SoftShadow shadow{QColor(0, 0, 0, 153), 1.0, QPointF(0.0, 1.0)};
  return shadow;
}

}  // namespace

FaceplateScrew::FaceplateScrew(QWidget* parent) : DecorativeWidget(parent) {
  setFixedSize(sizeHint());
}

void FaceplateScrew::paint(QPainter& painter, QPointF origin) {
  const QRectF head(origin, QSizeF(diameter, diameter));
  screwShadow().paint(painter, head, diameter / 2.0);

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(head.topLeft(), head.bottomRight());
  fill.setColorAt(0.0, StudioPalette::edge());
  fill.setColorAt(1.0, StudioPalette::inset());
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawEllipse(head);

  painter.translate(head.center());
  painter.rotate(-25.0);
  painter.setBrush(QColor(0, 0, 0, 153));
  painter.drawRoundedRect(QRectF(-2.5, -0.5, 5.0, 1.0), 0.5, 0.5);
  painter.restore();
}

QSize FaceplateScrew::sizeHint() const {
  const QMarginsF reach = screwShadow().reach();
  return QSizeF(diameter + reach.left() + reach.right(), diameter + reach.top() + reach.bottom())
      .toSize();
}

void FaceplateScrew::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QMarginsF reach = screwShadow().reach();
  paint(painter, QPointF(reach.left(), reach.top()));
}
