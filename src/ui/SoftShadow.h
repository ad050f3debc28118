#pragma once

// Cheap soft shadows and glows for rounded shapes: a handful of translucent rounded rectangles
// growing from half the radius inside the shape to the full radius outside it, so that the
// centre reaches the requested opacity and the rim fades out. Far cheaper than a blur effect
// when the meters repaint thirty times a second.

#include <QColor>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>

class QPainter;

struct SoftShadow {
  QColor color;  // carries the shadow's opacity
  double radius = 0.0;
  QPointF offset;

  // Paints the shadow of `shape` (corner radius `cornerRadius`); does nothing when transparent.
  void paint(QPainter& painter, const QRectF& shape, double cornerRadius) const;

  // How far the shadow reaches beyond the shape on each side.
  QMarginsF reach() const;
};
