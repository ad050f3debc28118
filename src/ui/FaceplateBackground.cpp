#include "ui/FaceplateBackground.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateScrew.h"
#include "ui/StudioPalette.h"

FaceplateBackground::FaceplateBackground(QWidget* parent) : QWidget(parent) {
  FaceplateAccessibility::install();
  setAttribute(Qt::WA_OpaquePaintEvent);
}

std::vector<double> FaceplateBackground::hairlinePositions(double height) {
  std::vector<double> positions;
  for (double y = 0.5; y < height; y += hairlineSpacing) positions.push_back(y);
  return positions;
}

void FaceplateBackground::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect exposed = event->rect();
  const QRectF area = rect();

  QLinearGradient gradient(area.topLeft(), area.bottomLeft());
  gradient.setColorAt(0.0, StudioPalette::withOpacity(StudioPalette::chassis(), 0.98));
  gradient.setColorAt(0.5, QColor::fromRgbF(0.065f, 0.075f, 0.08f));
  gradient.setColorAt(1.0, StudioPalette::chassis());
  // The gradient's top stop is slightly translucent; black beneath keeps the window opaque.
  painter.fillRect(area, Qt::black);
  painter.fillRect(area, gradient);

  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.012f), 0.5));
  // The meters repaint often and expose only their own strip: skip hairlines outside it.
  for (double y : hairlinePositions(area.height())) {
    if (y < exposed.top() - 1 || y > exposed.bottom() + 1) continue;
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right() + 1.0, y));
  }

  const double far = FaceplateScrew::diameter + screwInset;
  FaceplateScrew::paint(painter, QPointF(screwInset, screwInset));
  FaceplateScrew::paint(painter, QPointF(area.width() - far, screwInset));
  FaceplateScrew::paint(painter, QPointF(screwInset, area.height() - far));
  FaceplateScrew::paint(painter, QPointF(area.width() - far, area.height() - far));
}
