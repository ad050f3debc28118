#pragma once

// An 8 × 8 indicator light: full colour and a glow when lit, a dim tint of the colour when not.

#include <QColor>
#include <QRectF>

#include "ui/DecorativeWidget.h"

class QPainter;

class PilotLight : public DecorativeWidget {
  Q_OBJECT

 public:
  static constexpr double diameter = 8.0;
  // The glow reaches this far beyond the light; the widget is larger by it on every side.
  static constexpr int glowReach = 4;

  explicit PilotLight(QColor color = QColor(), bool isLit = false, QWidget* parent = nullptr);

  void setColor(const QColor& color);
  void setLit(bool isLit);
  QColor color() const { return color_; }
  bool isLit() const { return isLit_; }

  // Paints the light into `frame` (8 × 8) with its glow around it.
  static void paint(QPainter& painter, const QRectF& frame, const QColor& color, bool isLit);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
  bool isLit_;
};
