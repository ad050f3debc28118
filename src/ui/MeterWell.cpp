#include "ui/MeterWell.h"

#include <QPainter>
#include <QVBoxLayout>

#include "ui/LevelMeterView.h"
#include "ui/PanelAccessibility.h"
#include "ui/PanelDrawing.h"
#include "ui/SoftShadow.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int padding = 10;
constexpr double cornerRadius = 5.0;

SoftShadow wellShadow() {
  return {StudioPalette::withOpacity(Qt::black, 0.5), 3.0, QPointF(0, 2)};
}

}  // namespace

MeterWell::MeterWell(Channel left, Channel right, QWidget* parent)
    : QWidget(parent),
      left_(new LevelMeterView(QStringLiteral("Left"), MeterReading{}, true,
                               std::move(left.releasePeak), std::move(left.clearClip))),
      right_(new LevelMeterView(QStringLiteral("Right"), MeterReading{}, false,
                                std::move(right.releasePeak), std::move(right.clearClip))) {
  PanelAccessibility::install();
  auto* stack = new QVBoxLayout(this);
  const QMargins glow = LevelMeterView::glowMargins();
  const QMargins shadow = wellShadow().reach().toMargins();
  stack->setContentsMargins(shadow + QMargins(padding, padding, padding, padding) - glow);
  stack->setSpacing(std::max(0, 8 - glow.top() - glow.bottom()));
  stack->addWidget(left_);
  stack->addWidget(right_);
}

void MeterWell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF well = QRectF(rect()) - wellShadow().reach();
  wellShadow().paint(painter, well, cornerRadius);
  paintOutlinedRect(painter, well, cornerRadius, StudioPalette::smokedGlass(),
                    StudioPalette::withOpacity(StudioPalette::edge(), 0.7));
}
