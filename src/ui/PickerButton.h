#pragma once

// A signal-path picker: a borderless button whose face is the current choice and a chevron, and
// whose menu is built from the controller's state each time it opens (the controller changes far
// more often than anyone opens a menu). Space, Enter and Return open it; the arrows and Enter
// choose. Assistive technology: the label as name, the face text as value (also as a read-only
// text, which the AT-SPI bridge carries), the menu through the press action.

#include <QPushButton>
#include <functional>

#include "ui/AccessibleValueSource.h"

class QMenu;

class PickerButton : public QPushButton, public AccessibleValueSource {
  Q_OBJECT

 public:
  static constexpr int minimumFaceHeight = 24;

  // `fillMenu` adds the items to the emptied menu.
  PickerButton(const QString& accessibleLabel, std::function<void(QMenu&)> fillMenu,
               QWidget* parent = nullptr);

  void setValue(const QString& value);
  const QString& value() const { return value_; }
  void setAccessibleValue(const QString& value);

  // Builds the menu as it would show now.
  void rebuildMenu();

  QString accessibleValueText() const override { return accessibleValue_; }
  QAccessible::Role accessibleRole() const override { return QAccessible::ButtonMenu; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<void(QMenu&)> fillMenu_;
  QString value_;
  QString accessibleValue_;
};
