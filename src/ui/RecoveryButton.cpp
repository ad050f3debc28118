#include "ui/RecoveryButton.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/FaceplateFont.h"
#include "ui/KeyboardFocus.h"
#include "ui/PanelDrawing.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int verticalPadding = 7;
constexpr int symbolSize = 10;
constexpr int iconSpacing = 6;

const QFont& titleFont() {
  static const QFont font = faceplateFont(10, QFont::DemiBold);
  return font;
}

}  // namespace

RecoveryButton::RecoveryButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RecoveryButton::setAction(const QString& title, PanelSymbol symbol) {
  if (title == text() && symbol == symbol_) return;
  symbol_ = symbol;
  setText(title);
  setAccessibleName(title);
  update();
}

QSize RecoveryButton::sizeHint() const {
  return {textWidth(titleFont(), text()) + symbolSize + iconSpacing + 24,
          QFontMetrics(titleFont()).height() + 2 * verticalPadding};
}

void RecoveryButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor& amber = StudioPalette::amber();
  paintOutlinedRect(painter, rect(), 4.0, StudioPalette::withOpacity(amber, isDown() ? 0.16 : 0.08),
                    StudioPalette::withOpacity(amber, showsKeyboardFocus(*this) ? 0.8 : 0.35));
  const int titleWidth = textWidth(titleFont(), text());
  const double left = (width() - (symbolSize + iconSpacing + titleWidth)) / 2.0;
  paintPanelSymbol(painter, symbol_,
                   QRectF(left, (height() - symbolSize) / 2.0, symbolSize, symbolSize), amber, 1.2);
  painter.setFont(titleFont());
  painter.setPen(amber);
  painter.drawText(QRectF(left + symbolSize + iconSpacing, 0, titleWidth + 2, height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text());
}
