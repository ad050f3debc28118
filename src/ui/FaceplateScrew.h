#pragma once

// A 9 × 9 slotted screw head with its small drop shadow.

#include <QPointF>

#include "ui/DecorativeWidget.h"

class QPainter;

class FaceplateScrew : public DecorativeWidget {
  Q_OBJECT

 public:
  static constexpr double diameter = 9.0;

  explicit FaceplateScrew(QWidget* parent = nullptr);

  // Paints the head with its top-left corner at `origin`; the shadow falls outside it.
  static void paint(QPainter& painter, QPointF origin);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
