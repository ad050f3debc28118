#pragma once

// A push button drawn with HardwareButtonStyle. Its face is either its text or a face widget
// (lamp, icon, captions) laid out inside the body; the face follows the press 1 px down.
// The body's shadow is painted inside the widget: the widget is larger than the body by
// HardwareButtonStyle::shadowMargins().

#include <QAbstractButton>
#include <QVariantAnimation>
#include <functional>

#include "ui/HardwareButtonStyle.h"

class QHBoxLayout;

class HardwareButton : public QAbstractButton {
  Q_OBJECT

 public:
  // `reduceMotion` is asked at each press whether the desktop wants animations left out.
  explicit HardwareButton(std::function<bool()> reduceMotion, QWidget* parent = nullptr);

  void setLatched(bool isLatched);
  bool isLatched() const { return isLatched_; }

  // Takes ownership of `face`; it ignores the mouse so that clicks reach the button.
  void setFace(QWidget* face);
  QWidget* face() const { return face_; }

  // 0 at rest, 1 while held down; in between during the pressed-state animation.
  double pressProgress() const { return pressProgress_; }

  HardwareButtonStyle look() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void animatePress(bool isDown);
  void setPressProgress(double progress);
  void applyEnabledLook();

  std::function<bool()> reduceMotion_;
  bool isLatched_ = false;
  double pressProgress_ = 0.0;
  QVariantAnimation pressAnimation_;
  QHBoxLayout* faceLayout_;
  QWidget* face_ = nullptr;
};
