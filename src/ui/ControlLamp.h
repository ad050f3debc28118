#pragma once

// A 4 × 30 vertical lamp bar beside a button's caption: bright with a glow when lit, half
// strength when not.

#include <QColor>
#include <QRectF>

#include "ui/DecorativeWidget.h"

class QPainter;

class ControlLamp : public DecorativeWidget {
  Q_OBJECT

 public:
  static constexpr double width = 4.0;
  static constexpr double height = 30.0;
  // The glow reaches this far beyond the bar; the widget is larger by it on every side.
  static constexpr int glowReach = 3;

  explicit ControlLamp(QColor color = QColor(), bool isLit = false, QWidget* parent = nullptr);

  void setColor(const QColor& color);
  void setLit(bool isLit);
  QColor color() const { return color_; }
  bool isLit() const { return isLit_; }

  // Paints the bar into `frame` (4 × 30) with its glow around it.
  static void paint(QPainter& painter, const QRectF& frame, const QColor& color, bool isLit);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
  bool isLit_;
};
