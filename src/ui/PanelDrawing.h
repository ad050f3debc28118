#pragma once

// Drawing shared by the panel's wells, readouts and badges: a rounded rectangle filled and
// outlined with its stroke kept inside the rectangle, and text with the faceplate's fonts.

#include <QColor>
#include <QRectF>
#include <QString>

#include "ui/FaceplateFont.h"

class QFontMetrics;
class QPainter;

void paintOutlinedRect(QPainter& painter, const QRectF& rect, double cornerRadius,
                       const QColor& fill, const QColor& outline, double lineWidth = 1.0);

// The width `text` takes in `font`, letter spacing included.
int textWidth(const QFont& font, const QString& text);

// `text` as one line no wider than `width`, elided at its end: device names may hold line breaks
// and run to hundreds of characters.
QString elidedLine(const QString& text, const QFontMetrics& metrics, int width);

// The signal-format readout: the format text in amber, or "FORMAT —" dimmed when there is none.
namespace FormatReadout {

inline constexpr int height = 22;

QString text(const QString& format);
int width(const QString& format);
// `format` empty means absent.
void paint(QPainter& painter, const QRectF& box, const QString& format);

}  // namespace FormatReadout
