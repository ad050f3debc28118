#include "ui/ButtonFace.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/ControlLamp.h"
#include "ui/FaceplateFont.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int spacing = 9;
constexpr int iconSize = 13;
constexpr int lineSpacing = 1;
constexpr int trailingSpace = 4;
constexpr int lampReach = ControlLamp::glowReach;

const QFont& captionFont() {
  static const QFont font = faceplateFont(11, QFont::Bold, FontDesign::standard, 1.0);
  return font;
}

const QFont& subCaptionFont() {
  static const QFont font = faceplateFont(8, QFont::Medium, FontDesign::monospaced);
  return font;
}

int textLeft() {
  return lampReach + static_cast<int>(ControlLamp::width) + spacing + iconSize + spacing;
}

}  // namespace

ButtonFace::ButtonFace(QWidget* parent) : DecorativeWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ButtonFace::setLook(const ButtonFaceLook& look) {
  if (look == look_) return;
  const bool widthChanged = look.caption != look_.caption || look.subCaption != look_.subCaption;
  look_ = look;
  if (widthChanged) updateGeometry();
  update();
}

QSize ButtonFace::sizeHint() const {
  const int text = std::max(QFontMetrics(captionFont()).horizontalAdvance(look_.caption),
                            QFontMetrics(subCaptionFont()).horizontalAdvance(look_.subCaption));
  return {textLeft() + text + trailingSpace, static_cast<int>(ControlLamp::height) + 2 * lampReach};
}

QSize ButtonFace::minimumSizeHint() const {
  return sizeHint();
}

void ButtonFace::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const double middle = height() / 2.0;
  ControlLamp::paint(painter,
                     QRectF(lampReach, middle - ControlLamp::height / 2.0, ControlLamp::width,
                            ControlLamp::height),
                     look_.lampColor, look_.lampLit);
  const double iconLeft = lampReach + ControlLamp::width + spacing;
  paintPanelSymbol(painter, look_.symbol,
                   QRectF(iconLeft, middle - iconSize / 2.0, iconSize, iconSize), look_.symbolColor,
                   1.2);

  const QFontMetrics caption(captionFont());
  const QFontMetrics sub(subCaptionFont());
  const int blockHeight = caption.height() + lineSpacing + sub.height();
  const int top = static_cast<int>(middle - blockHeight / 2.0);
  const int width = this->width() - textLeft();
  painter.setFont(captionFont());
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(QRect(textLeft(), top, width, caption.height()), Qt::AlignLeft | Qt::AlignTop,
                   caption.elidedText(look_.caption, Qt::ElideRight, width));
  painter.setFont(subCaptionFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(QRect(textLeft(), top + caption.height() + lineSpacing, width, sub.height()),
                   Qt::AlignLeft | Qt::AlignTop, look_.subCaption);
}
