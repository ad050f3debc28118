#include "ui/SelectionMenuStyle.h"

#include <QMenu>
#include <QStyleFactory>
#include <QStyleOption>

#include "ui/PanelSymbol.h"

SelectionMenuStyle::SelectionMenuStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

SelectionMenuStyle& SelectionMenuStyle::shared() {
  static auto* style = new SelectionMenuStyle;
  return *style;
}

void SelectionMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                       QPainter* painter, const QWidget* widget) const {
  if (element == PE_IndicatorCheckBox && qobject_cast<const QMenu*>(widget)) {
    if (option->state & State_On) {
      const QColor color = option->palette.color(
          option->state & State_Enabled ? QPalette::Active : QPalette::Disabled,
          option->state & State_Selected ? QPalette::HighlightedText : QPalette::Text);
      paintPanelSymbol(*painter, PanelSymbol::checkmark, option->rect, color, 1.2);
    }
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}
