#pragma once

// The window's chassis: a dark vertical gradient, brushed-metal hairlines every 3 px and a screw
// in each corner. It is the container of the window's content, so it stays in the accessibility
// tree as a plain client area; the decorations it paints are not exposed.

#include <QWidget>
#include <vector>

class FaceplateBackground : public QWidget {
  Q_OBJECT

 public:
  static constexpr double hairlineSpacing = 3.0;
  static constexpr double screwInset = 9.0;

  explicit FaceplateBackground(QWidget* parent = nullptr);

  // y of each hairline: 0.5, 3.5, 6.5, … while below `height`.
  static std::vector<double> hairlinePositions(double height);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
