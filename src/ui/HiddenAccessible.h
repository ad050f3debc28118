#pragma once

// Accessible interface of a decorative widget: no role, no texts, invisible.

#include <QAccessibleWidget>

class HiddenAccessible : public QAccessibleWidget {
 public:
  explicit HiddenAccessible(QWidget* widget);

  QAccessible::State state() const override;
  QString text(QAccessible::Text kind) const override;
};
