#include "app/TrayLook.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "ui/StudioPalette.h"

TrayLook trayLook(const MonitorViewModel& model) {
  if (model.phase().kind() == MonitoringPhase::Kind::failed) return TrayLook::failed;
  if (model.isMonitoring()) return model.isMuted() ? TrayLook::muted : TrayLook::running;
  // Waiting to resume, or on the way in: the route is wanted but not yet playing.
  if (model.phase().isWaiting() || model.monitorIntent()) return TrayLook::waiting;
  return TrayLook::off;
}

QString trayToolTip(const MonitorViewModel& model) {
  return QStringLiteral("VEXMORA MONITOR · ") + QString::fromStdString(model.status().title);
}

namespace {

QColor lightColor(TrayLook look) {
  switch (look) {
    case TrayLook::running:
      return StudioPalette::green();
    case TrayLook::muted:
    case TrayLook::waiting:
      return StudioPalette::amber();
    case TrayLook::failed:
      return StudioPalette::red();
    case TrayLook::off:
      break;
  }
  return StudioPalette::textSecondary();
}

}  // namespace

QIcon trayIcon(TrayLook look) {
  QIcon icon;
  // Trays ask for anything from 16 to 64 pixels; each size is drawn, not scaled.
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate(0.5, 0.5, size - 1.0, size - 1.0);
    painter.setPen(QPen(StudioPalette::edge(), 1.0));
    painter.setBrush(StudioPalette::chassis());
    painter.drawRoundedRect(plate, size * 0.2, size * 0.2);
    const QColor light = lightColor(look);
    const QRectF lamp = plate.adjusted(size * 0.24, size * 0.24, -size * 0.24, -size * 0.24);
    const bool lit =
        look == TrayLook::running || look == TrayLook::muted || look == TrayLook::failed;
    painter.setPen(QPen(light, std::max(1.5, size * 0.09)));
    painter.setBrush(lit ? QBrush(light) : Qt::NoBrush);
    painter.drawEllipse(lamp);
    if (look == TrayLook::muted) {
      painter.setPen(
          QPen(StudioPalette::chassis(), std::max(1.5, size * 0.1), Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(lamp.topLeft() + QPointF(size * 0.08, size * 0.08),
                       lamp.bottomRight() - QPointF(size * 0.08, size * 0.08));
    }
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}
