#include "ui/ValueTextAccessible.h"

#include <QAbstractButton>
#include <QMetaObject>

#include "ui/AccessibleValueSource.h"

ValueTextAccessible::ValueTextAccessible(QWidget* widget, const AccessibleValueSource& source)
    : QAccessibleWidget(widget, source.accessibleRole()), source_(source) {}

QString ValueTextAccessible::text(QAccessible::Text kind) const {
  if (kind == QAccessible::Value) return source_.accessibleValueText();
  return QAccessibleWidget::text(kind);
}

QAccessible::State ValueTextAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  if (const std::optional<bool> checked = source_.accessibleCheckedState()) {
    state.checkable = true;
    state.checked = *checked;
  }
  return state;
}

void* ValueTextAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QStringList ValueTextAccessible::actionNames() const {
  QStringList names = QAccessibleWidget::actionNames();
  if (qobject_cast<QAbstractButton*>(widget()) && widget()->isEnabled()) {
    names.prepend(pressAction());
  }
  return names;
}

void ValueTextAccessible::doAction(const QString& actionName) {
  auto* button = qobject_cast<QAbstractButton*>(widget());
  if (actionName == pressAction() && button && button->isEnabled()) {
    // Queued: a button that opens a menu runs it in a nested event loop, and the assistive
    // technology that asked for the press must not wait on the bus until the menu closes.
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    return;
  }
  QAccessibleWidget::doAction(actionName);
}

void ValueTextAccessible::selection(int, int* startOffset, int* endOffset) const {
  *startOffset = 0;
  *endOffset = 0;
}

int ValueTextAccessible::selectionCount() const {
  return 0;
}

void ValueTextAccessible::addSelection(int, int) {}

void ValueTextAccessible::removeSelection(int) {}

void ValueTextAccessible::setSelection(int, int, int) {}

int ValueTextAccessible::cursorPosition() const {
  return 0;
}

void ValueTextAccessible::setCursorPosition(int) {}

QString ValueTextAccessible::text(int startOffset, int endOffset) const {
  return source_.accessibleValueText().mid(startOffset, endOffset - startOffset);
}

int ValueTextAccessible::characterCount() const {
  return static_cast<int>(source_.accessibleValueText().size());
}

// The value text is spoken, not drawn glyph by glyph: every character maps to the whole widget.
QRect ValueTextAccessible::characterRect(int) const {
  return rect();
}

int ValueTextAccessible::offsetAtPoint(const QPoint&) const {
  return -1;
}

void ValueTextAccessible::scrollToSubstring(int, int) {}

QString ValueTextAccessible::attributes(int, int* startOffset, int* endOffset) const {
  *startOffset = 0;
  *endOffset = characterCount();
  return {};
}
