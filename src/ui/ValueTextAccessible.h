#pragma once

// Accessible interface of an AccessibleValueSource. The value text is returned for
// QAccessible::Value in-process and, because the AT-SPI bridge carries no value text, also as a
// read-only text interface, which screen readers on the bus can read. Buttons get the press action.

#include <QAccessibleWidget>

class AccessibleValueSource;

class ValueTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  ValueTextAccessible(QWidget* widget, const AccessibleValueSource& source);

  QString text(QAccessible::Text kind) const override;
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;
  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  const AccessibleValueSource& source_;
};
