#pragma once

// The look of the picker menus: a selected item shows a plain checkmark where the style would
// draw a check box, and other items show nothing there. The items stay checkable actions so that
// assistive technology reports which one is chosen.

#include <QProxyStyle>

class SelectionMenuStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // One instance serves every picker menu; it lives until the application ends.
  static SelectionMenuStyle& shared();

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

 private:
  SelectionMenuStyle();
};
