#pragma once

// The latched clip lamp of one meter channel. It is enabled only while lit, so a dark lamp
// ignores clicks; clicking the lit lamp asks for the latch to be cleared. Its glow reaches
// beyond its box and is painted by the meter strip behind it (see glow()).
// Assistive technology: the state's name and hint, the value text through the read-only text
// interface.

#include <QAbstractButton>

#include "ui/AccessibleValueSource.h"
#include "ui/SoftShadow.h"

class ClipLampButton : public QAbstractButton, public AccessibleValueSource {
  Q_OBJECT

 public:
  static constexpr int boxWidth = 42;
  static constexpr int boxHeight = 22;
  static constexpr double cornerRadius = 3.0;

  explicit ClipLampButton(QWidget* parent = nullptr);

  void setLabel(const QString& label);
  void setClipping(bool isClipping);
  bool isClipping() const { return isClipping_; }

  // The lit lamp's glow; transparent while dark.
  SoftShadow glow() const;

  QString accessibleValueText() const override;
  QAccessible::Role accessibleRole() const override { return QAccessible::Button; }

  QSize sizeHint() const override { return {boxWidth, boxHeight}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void applyTexts();

  QString label_;
  bool isClipping_ = false;
};
