#include "ui/PanelDrawing.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

void paintOutlinedRect(QPainter& painter, const QRectF& rect, double cornerRadius,
                       const QColor& fill, const QColor& outline, double lineWidth) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const double inset = lineWidth / 2.0;
  painter.setBrush(fill);
  painter.setPen(outline.isValid() ? QPen(outline, lineWidth) : QPen(Qt::NoPen));
  painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
  painter.restore();
}

int textWidth(const QFont& font, const QString& text) {
  return QFontMetrics(font).horizontalAdvance(text);
}

QString elidedLine(const QString& text, const QFontMetrics& metrics, int width) {
  QString line = text;
  for (QChar& c : line) {
    if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
      c = u' ';
    }
  }
  return metrics.elidedText(line, Qt::ElideRight, width);
}

namespace FormatReadout {

namespace {

constexpr int horizontalPadding = 7;
constexpr double cornerRadius = 3.0;

const QFont& font() {
  static const QFont font = faceplateFont(10, QFont::DemiBold, FontDesign::monospaced);
  return font;
}

}  // namespace

QString text(const QString& format) {
  return format.isEmpty() ? QStringLiteral("FORMAT —") : format;
}

int width(const QString& format) {
  return textWidth(font(), text(format)) + 2 * horizontalPadding;
}

void paint(QPainter& painter, const QRectF& box, const QString& format) {
  const bool present = !format.isEmpty();
  const QColor& amber = StudioPalette::amber();
  paintOutlinedRect(painter, box, cornerRadius,
                    present ? withOpacity(amber, 0.07) : withOpacity(StudioPalette::inset(), 0.72),
                    present ? withOpacity(amber, 0.24) : withOpacity(StudioPalette::edge(), 0.48));
  painter.save();
  painter.setFont(font());
  painter.setPen(present ? withOpacity(amber, 0.92)
                         : withOpacity(StudioPalette::textSecondary(), 0.62));
  painter.drawText(box, Qt::AlignCenter, text(format));
  painter.restore();
}

}  // namespace FormatReadout
