#pragma once

// Reading colours back from rendered widgets and comparing them with what was meant to be drawn.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cmath>

// The widget as it appears on screen over `background` (its own window background left out), at
// one pixel per point.
inline QImage render(QWidget& widget, const QColor& background = Qt::transparent) {
  QImage image(widget.size(), QImage::Format_ARGB32);
  image.fill(background);
  widget.render(&image, {}, {}, QWidget::DrawChildren);
  return image;
}

// `top` composited over an opaque `bottom`.
inline QColor over(const QColor& top, const QColor& bottom) {
  const auto mix = [a = top.alphaF()](float t, float b) { return t * a + b * (1 - a); };
  return QColor::fromRgbF(mix(top.redF(), bottom.redF()), mix(top.greenF(), bottom.greenF()),
                          mix(top.blueF(), bottom.blueF()));
}

inline ::testing::AssertionResult colorNear(const QColor& got, const QColor& want, int off = 3) {
  const auto near = [off](int a, int b) { return std::abs(a - b) <= off; };
  if (near(got.red(), want.red()) && near(got.green(), want.green()) &&
      near(got.blue(), want.blue()))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << got.name().toStdString() << ", expected " << want.name().toStdString();
}
