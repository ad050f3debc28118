#include "ui/ClipLampButton.h"

#include <QAccessible>
#include <QPainter>

#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateFont.h"
#include "ui/KeyboardFocus.h"
#include "ui/LevelMeterTexts.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

const QFont& legendFont() {
  static const QFont font = faceplateFont(9, QFont::Black, FontDesign::rounded, 0.8);
  return font;
}

}  // namespace

ClipLampButton::ClipLampButton(QWidget* parent) : QAbstractButton(parent) {
  FaceplateAccessibility::install();
  setFixedSize(boxWidth, boxHeight);
  setFocusPolicy(Qt::StrongFocus);
  setEnabled(false);
  applyTexts();
}

void ClipLampButton::setLabel(const QString& label) {
  if (label == label_) return;
  label_ = label;
  applyTexts();
}

void ClipLampButton::setClipping(bool isClipping) {
  if (isClipping == isClipping_) return;
  const QString before = accessibleValueText();
  isClipping_ = isClipping;
  setEnabled(isClipping_);
  setCursor(isClipping_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
  applyTexts();
  update();
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent event(this, 0, before, accessibleValueText());
    QAccessible::updateAccessibility(&event);
  }
}

SoftShadow ClipLampButton::glow() const {
  if (!isClipping_) return {};
  return {withOpacity(StudioPalette::red(), 0.72), 5.0, {}};
}

QString ClipLampButton::accessibleValueText() const {
  return LevelMeterTexts::clipLampValue(isClipping_);
}

void ClipLampButton::applyTexts() {
  setToolTip(LevelMeterTexts::clipLampHelp(isClipping_));
  setAccessibleName(LevelMeterTexts::clipLampName(label_, isClipping_));
  setAccessibleDescription(LevelMeterTexts::clipLampHint(isClipping_));
}

void ClipLampButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const QColor& red = StudioPalette::red();
  if (isClipping_) {
    painter.setBrush(red);
    painter.setPen(QPen(showsKeyboardFocus(*this) ? StudioPalette::textPrimary() : red, 1.0));
  } else {
    painter.setBrush(withOpacity(red, 0.09));
    painter.setPen(QPen(withOpacity(StudioPalette::edge(), 0.7), 1.0));
  }
  painter.drawRoundedRect(box, cornerRadius, cornerRadius);

  painter.setFont(legendFont());
  painter.setPen(isClipping_ ? QColor(Qt::white)
                             : withOpacity(StudioPalette::textSecondary(), 0.6));
  painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("CLIP"));
}
