#pragma once

// Base of the purely decorative faceplate widgets (screws, pilot lights, lamps). Qt lists every
// child widget to assistive technology, so these report no role, no name and the invisible state,
// which screen readers skip. Composite components paint their decorations instead of using these
// widgets, so that nothing decorative enters the tree at all.

#include <QWidget>

class DecorativeWidget : public QWidget {
  Q_OBJECT

 public:
  explicit DecorativeWidget(QWidget* parent = nullptr);
};
