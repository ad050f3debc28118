#include "ui/PanelSymbol.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

constexpr double grid = 16.0;

QPainterPath speakerBody() {
  QPainterPath body;
  body.moveTo(1.5, 6.0);
  body.lineTo(4.5, 6.0);
  body.lineTo(8.5, 2.5);
  body.lineTo(8.5, 13.5);
  body.lineTo(4.5, 10.0);
  body.lineTo(1.5, 10.0);
  body.closeSubpath();
  return body;
}

QPainterPath gearOutline() {
  QPainterPath outline;
  constexpr int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i) {
    const double angle = M_PI * i / teeth;
    const double half = M_PI / teeth * 0.45;
    const double radius = i % 2 == 0 ? 7.2 : 5.4;
    const QPointF a(8 + radius * std::cos(angle - half), 8 + radius * std::sin(angle - half));
    const QPointF b(8 + radius * std::cos(angle + half), 8 + radius * std::sin(angle + half));
    if (i == 0) {
      outline.moveTo(a);
    } else {
      outline.lineTo(a);
    }
    outline.lineTo(b);
  }
  outline.closeSubpath();
  outline.addEllipse(QPointF(8, 8), 2.3, 2.3);
  outline.setFillRule(Qt::OddEvenFill);
  return outline;
}

void arrowHead(QPainterPath& path, QPointF tip, QPointF direction, double size) {
  const QPointF normal(-direction.y(), direction.x());
  path.moveTo(tip - direction * size + normal * size);
  path.lineTo(tip);
  path.lineTo(tip - direction * size - normal * size);
}

void draw(QPainter& p, PanelSymbol symbol, const QColor& color, double weight) {
  QPen pen(color, 1.5 * weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  switch (symbol) {
    case PanelSymbol::waveform: {
      constexpr double heights[] = {3, 7, 11, 6, 13, 8, 4};
      for (int i = 0; i < 7; ++i) {
        const double x = 2.0 + 2.0 * i;
        p.drawLine(QPointF(x, 8 - heights[i] / 2), QPointF(x, 8 + heights[i] / 2));
      }
      break;
    }
    case PanelSymbol::cableConnector: {
      p.drawLine(QPointF(6, 1.5), QPointF(6, 4.5));
      p.drawLine(QPointF(10, 1.5), QPointF(10, 4.5));
      p.setBrush(color);
      p.drawRoundedRect(QRectF(3.5, 4.5, 9, 5.5), 1.2, 1.2);
      p.setBrush(Qt::NoBrush);
      p.drawLine(QPointF(8, 10), QPointF(8, 14.5));
      break;
    }
    case PanelSymbol::arrowLeftArrowRight: {
      QPainterPath path;
      path.moveTo(2, 5);
      path.lineTo(14, 5);
      arrowHead(path, QPointF(14, 5), QPointF(1, 0), 2.6);
      path.moveTo(14, 11);
      path.lineTo(2, 11);
      arrowHead(path, QPointF(2, 11), QPointF(-1, 0), 2.6);
      p.drawPath(path);
      break;
    }
    case PanelSymbol::speakerWave2Fill: {
      p.setBrush(color);
      p.drawPath(speakerBody());
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(7.0, 5.0, 5.0, 6.0), -60 * 16, 120 * 16);
      p.drawArc(QRectF(6.5, 2.5, 8.5, 11.0), -60 * 16, 120 * 16);
      break;
    }
    case PanelSymbol::speakerSlashFill: {
      p.setBrush(color);
      p.drawPath(speakerBody());
      p.setBrush(Qt::NoBrush);
      p.drawLine(QPointF(10.5, 5.5), QPointF(14.5, 10.5));
      p.drawLine(QPointF(14.5, 5.5), QPointF(10.5, 10.5));
      break;
    }
    case PanelSymbol::chevronDown: {
      p.drawPolyline(QPolygonF({QPointF(3, 6), QPointF(8, 11), QPointF(13, 6)}));
      break;
    }
    case PanelSymbol::playFill: {
      p.setBrush(color);
      p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 8), QPointF(4, 13.5)}));
      break;
    }
    case PanelSymbol::stopFill: {
      p.setBrush(color);
      p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
      break;
    }
    case PanelSymbol::gear: {
      p.setPen(Qt::NoPen);
      p.setBrush(color);
      p.drawPath(gearOutline());
      break;
    }
    case PanelSymbol::sliderHorizontal3: {
      constexpr double knobs[] = {10.5, 5.0, 8.5};
      for (int i = 0; i < 3; ++i) {
        const double y = 3.5 + 4.5 * i;
        p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
        p.setBrush(color);
        p.drawEllipse(QPointF(knobs[i], y), 1.6, 1.6);
        p.setBrush(Qt::NoBrush);
      }
      break;
    }
    case PanelSymbol::arrowClockwise: {
      QPainterPath path;
      path.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 80);
      path.arcTo(QRectF(2.5, 2.5, 11, 11), 80, 290);
      p.drawPath(path);
      QPainterPath head;
      arrowHead(head, QPointF(9.3, 2.6), QPointF(1, 0.15), 2.4);
      p.drawPath(head);
      break;
    }
    case PanelSymbol::wrenchAndScrewdriverFill: {
      QPen thick = pen;
      thick.setWidthF(2.2 * weight);
      p.setPen(thick);
      p.drawLine(QPointF(4.5, 11.5), QPointF(11.0, 5.0));
      p.setPen(pen);
      p.drawArc(QRectF(9.0, 1.0, 6.0, 6.0), -120 * 16, 300 * 16);
      p.setBrush(color);
      p.setPen(Qt::NoPen);
      p.drawRoundedRect(QRectF(1.3, 11.0, 3.4, 3.4), 0.8, 0.8);
      p.setPen(thick);
      p.drawLine(QPointF(3.0, 3.0), QPointF(9.5, 9.5));
      p.drawLine(QPointF(10.5, 10.5), QPointF(14.0, 14.0));
      break;
    }
    case PanelSymbol::checkmark: {
      p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.2, 12.2), QPointF(13.5, 3.8)}));
      break;
    }
  }
}

}  // namespace

void paintPanelSymbol(QPainter& painter, PanelSymbol symbol, const QRectF& box, const QColor& color,
                      double weight) {
  const double side = std::min(box.width(), box.height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.center() - QPointF(side / 2, side / 2));
  painter.scale(side / grid, side / grid);
  draw(painter, symbol, color, weight);
  painter.restore();
}
