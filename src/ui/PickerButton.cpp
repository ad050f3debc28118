#include "ui/PickerButton.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateFont.h"
#include "ui/KeyboardFocus.h"
#include "ui/PanelDrawing.h"
#include "ui/PanelSymbol.h"
#include "ui/SelectionMenuStyle.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int chevronSize = 9;
constexpr int spacing = 8;

const QFont& valueFont() {
  static const QFont font = faceplateFont(12, QFont::Medium);
  return font;
}

}  // namespace

PickerButton::PickerButton(const QString& accessibleLabel, std::function<void(QMenu&)> fillMenu,
                           QWidget* parent)
    : QPushButton(parent), fillMenu_(std::move(fillMenu)) {
  FaceplateAccessibility::install();
  setAccessibleName(accessibleLabel);
  setFlat(true);
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* menu = new QMenu(this);
  menu->setStyle(&SelectionMenuStyle::shared());
  connect(menu, &QMenu::aboutToShow, this, &PickerButton::rebuildMenu);
  setMenu(menu);
}

void PickerButton::setValue(const QString& value) {
  if (value == value_) return;
  value_ = value;
  update();
}

void PickerButton::setAccessibleValue(const QString& value) {
  if (value == accessibleValue_) return;
  accessibleValue_ = value;
  QAccessibleValueChangeEvent event(this, value);
  QAccessible::updateAccessibility(&event);
}

void PickerButton::rebuildMenu() {
  menu()->clear();
  fillMenu_(*menu());
}

QSize PickerButton::sizeHint() const {
  return {200, minimumFaceHeight};
}

QSize PickerButton::minimumSizeHint() const {
  return {60, minimumFaceHeight};
}

void PickerButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.55);
  const QRect face = rect();
  const int chevronLeft = face.width() - chevronSize;
  paintPanelSymbol(
      painter, PanelSymbol::chevronDown,
      QRectF(chevronLeft, (face.height() - chevronSize) / 2.0, chevronSize, chevronSize),
      StudioPalette::textSecondary(), 1.4);
  painter.setFont(valueFont());
  painter.setPen(StudioPalette::textPrimary());
  const QRect textBox(0, 0, std::max(0, chevronLeft - spacing), face.height());
  painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   elidedLine(value_, painter.fontMetrics(), textBox.width()));
  if (showsKeyboardFocus(*this)) {
    painter.setOpacity(1.0);
    painter.setPen(QPen(StudioPalette::withOpacity(StudioPalette::amber(), 0.7), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(face).adjusted(-3.5, 0.5, 2.5, -0.5), 3, 3);
  }
}

void PickerButton::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
    showMenu();
    return;
  }
  QPushButton::keyPressEvent(event);
}
