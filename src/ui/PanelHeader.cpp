#include "ui/PanelHeader.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/FaceplateFont.h"
#include "ui/PanelAccessibility.h"
#include "ui/PanelDrawing.h"
#include "ui/PanelSymbol.h"
#include "ui/PilotLight.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 3;
constexpr int badgeSize = 40;
constexpr int spacing = 16;
constexpr int titleSpacing = 3;
constexpr int unitSpacing = 7;
const QString productName = QStringLiteral("VEXMORA MONITOR");
const QString productLine = QStringLiteral("STEREO INPUT  ·  SYSTEM OUTPUT");
const QString unitNumber = QStringLiteral("SM-01");

const QFont& nameFont() {
  static const QFont font = faceplateFont(21, QFont::DemiBold, FontDesign::rounded, 2.2);
  return font;
}
const QFont& lineFont() {
  static const QFont font = faceplateFont(9, QFont::Medium, FontDesign::standard, 1.7);
  return font;
}
const QFont& unitFont() {
  static const QFont font = faceplateFont(10, QFont::Medium, FontDesign::monospaced, 1.4);
  return font;
}
const QFont& wordFont() {
  static const QFont font = faceplateFont(9, QFont::DemiBold, FontDesign::monospaced, 1.0);
  return font;
}

int contentHeight() {
  const int titles =
      QFontMetrics(nameFont()).height() + titleSpacing + QFontMetrics(lineFont()).height();
  return std::max(badgeSize, titles);
}

}  // namespace

PanelHeader::PanelHeader(QWidget* parent) : QWidget(parent) {
  PanelAccessibility::install();
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelHeader::setState(const QString& word, const QColor& lightColor) {
  if (word == word_ && lightColor == lightColor_) return;
  if (word != word_) {
    word_ = word;
    setAccessibleName(QStringList{productName, productLine, unitNumber, word_}.join(", "));
  }
  lightColor_ = lightColor;
  update();
}

QSize PanelHeader::sizeHint() const {
  return {520, contentHeight() + 2 * verticalPadding};
}

QSize PanelHeader::minimumSizeHint() const {
  const int titles =
      std::max(textWidth(nameFont(), productName), textWidth(lineFont(), productLine));
  return {2 * horizontalPadding + badgeSize + spacing + titles + 12 + 70, sizeHint().height()};
}

void PanelHeader::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor& primary = StudioPalette::textPrimary();
  const double middle = height() / 2.0;

  const QRectF badge(horizontalPadding, middle - badgeSize / 2.0, badgeSize, badgeSize);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(withOpacity(primary, 0.9), 1.5));
  painter.drawEllipse(badge.adjusted(0.75, 0.75, -0.75, -0.75));
  painter.setPen(QPen(withOpacity(primary, 0.28), 1.0));
  painter.drawEllipse(badge.adjusted(5.5, 5.5, -5.5, -5.5));
  paintPanelSymbol(painter, PanelSymbol::waveform,
                   QRectF(badge.center() - QPointF(8, 8), QSizeF(16, 16)), primary);

  const QFontMetrics name(nameFont());
  const QFontMetrics line(lineFont());
  const int titleLeft = horizontalPadding + badgeSize + spacing;
  const int titleTop =
      static_cast<int>(middle - (name.height() + titleSpacing + line.height()) / 2.0);
  painter.setFont(nameFont());
  painter.setPen(primary);
  painter.drawText(QRect(titleLeft, titleTop, width() - titleLeft, name.height()),
                   Qt::AlignLeft | Qt::AlignTop, productName);
  painter.setFont(lineFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(
      QRect(titleLeft, titleTop + name.height() + titleSpacing, width() - titleLeft, line.height()),
      Qt::AlignLeft | Qt::AlignTop, productLine);

  const QFontMetrics unit(unitFont());
  const QFontMetrics word(wordFont());
  const int right = width() - horizontalPadding;
  const int rowHeight = std::max(word.height(), static_cast<int>(PilotLight::diameter));
  const int unitTop = static_cast<int>(middle - (unit.height() + unitSpacing + rowHeight) / 2.0);
  painter.setFont(unitFont());
  painter.setPen(StudioPalette::engraved());
  painter.drawText(QRect(0, unitTop, right, unit.height()), Qt::AlignRight | Qt::AlignTop,
                   unitNumber);
  const int rowTop = unitTop + unit.height() + unitSpacing;
  const int wordWidth = textWidth(wordFont(), word_);
  painter.setFont(wordFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(QRect(right - wordWidth - 2, rowTop, wordWidth + 2, rowHeight),
                   Qt::AlignRight | Qt::AlignVCenter, word_);
  const double lightLeft = right - wordWidth - unitSpacing - PilotLight::diameter;
  PilotLight::paint(painter,
                    QRectF(lightLeft, rowTop + (rowHeight - PilotLight::diameter) / 2.0,
                           PilotLight::diameter, PilotLight::diameter),
                    lightColor_, true);
}
