#pragma once

// The recessed box behind a picker: inset fill, corner radius 4, an edge-coloured outline, at
// least 34 high. Its layout holds the row's controls.

#include <QWidget>

class QHBoxLayout;

class InsetWell : public QWidget {
  Q_OBJECT

 public:
  static constexpr int minimumHeight = 34;
  static constexpr double cornerRadius = 4.0;

  InsetWell(int leftPadding, int rightPadding, QWidget* parent = nullptr);

  QHBoxLayout* row() const { return row_; }

  static void paintWell(QPainter& painter, const QRectF& rect);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QHBoxLayout* row_;
};
