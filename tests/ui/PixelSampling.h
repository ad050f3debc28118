#pragma once

// Reading colours back from rendered widgets and comparing them with what was meant to be drawn.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cmath>

// The widget as it appears on screen, at one pixel per point.
inline QImage render(QWidget& widget) {
  return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// `top` composited over an opaque `bottom`.
inline QColor over(const QColor& top, const QColor& bottom) {
  const double a = top.alphaF();
  return QColor::fromRgbF(static_cast<float>(top.redF() * a + bottom.redF() * (1 - a)),
                          static_cast<float>(top.greenF() * a + bottom.greenF() * (1 - a)),
                          static_cast<float>(top.blueF() * a + bottom.blueF() * (1 - a)));
}

inline ::testing::AssertionResult colorNear(const QColor& actual, const QColor& expected,
                                            int tolerance = 3) {
  const bool near = std::abs(actual.red() - expected.red()) <= tolerance &&
                    std::abs(actual.green() - expected.green()) <= tolerance &&
                    std::abs(actual.blue() - expected.blue()) <= tolerance;
  if (near) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << actual.name().toStdString() << ", expected " << expected.name().toStdString();
}
