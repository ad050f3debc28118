#include "ui/HiddenAccessible.h"

HiddenAccessible::HiddenAccessible(QWidget* widget)
    : QAccessibleWidget(widget, QAccessible::NoRole) {}

QAccessible::State HiddenAccessible::state() const {
  QAccessible::State state;
  state.invisible = true;
  return state;
}

QString HiddenAccessible::text(QAccessible::Text) const {
  return {};
}
