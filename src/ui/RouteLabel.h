#pragma once

// The engraved caption at the start of a signal-path row: its icon and a short word ("INPUT") in
// an 86-wide box. Decorative: the control beside it carries the spoken label.

#include <QString>

#include "ui/DecorativeWidget.h"
#include "ui/PanelSymbol.h"

class RouteLabel : public DecorativeWidget {
  Q_OBJECT

 public:
  static constexpr int boxWidth = 86;

  RouteLabel(const QString& caption, PanelSymbol symbol, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  PanelSymbol symbol_;
};
