#include "ui/RouteLabel.h"

#include <QPainter>

#include "ui/FaceplateFont.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int iconWidth = 14;
constexpr int iconSize = 11;
constexpr int spacing = 7;

const QFont& captionFont() {
  static const QFont font = faceplateFont(9, QFont::DemiBold, FontDesign::monospaced, 0.8);
  return font;
}

}  // namespace

RouteLabel::RouteLabel(const QString& caption, PanelSymbol symbol, QWidget* parent)
    : DecorativeWidget(parent), caption_(caption), symbol_(symbol) {
  setFixedWidth(boxWidth);
}

QSize RouteLabel::sizeHint() const {
  return {boxWidth, 16};
}

void RouteLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const double middle = height() / 2.0;
  paintPanelSymbol(
      painter, symbol_,
      QRectF((iconWidth - iconSize) / 2.0, middle - iconSize / 2.0, iconSize, iconSize),
      StudioPalette::engraved(), 1.1);
  painter.setFont(captionFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(QRect(iconWidth + spacing, 0, boxWidth - iconWidth - spacing, height()),
                   Qt::AlignLeft | Qt::AlignVCenter, caption_);
}
