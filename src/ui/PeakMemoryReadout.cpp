#include "ui/PeakMemoryReadout.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>

#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateFont.h"
#include "ui/KeyboardFocus.h"
#include "ui/LevelMeterTexts.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr double facePadding = 4.0;
constexpr double unitSpacing = 2.0;
constexpr double plateCorner = 3.0;
const QString unit = QStringLiteral("dBFS");

const QFont& numberFont() {
  static const QFont font = faceplateFont(12, QFont::DemiBold, FontDesign::monospaced);
  return font;
}

const QFont& unitFont() {
  static const QFont font = faceplateFont(7, QFont::Medium, FontDesign::monospaced);
  return font;
}

}  // namespace

PeakMemoryReadout::PeakMemoryReadout(QWidget* parent) : QAbstractButton(parent) {
  FaceplateAccessibility::install();
  setFixedSize(boxWidth, boxHeight);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setAccessibleDescription(LevelMeterTexts::peakReadoutHint());
  number_ = LevelMeterTexts::peakReadoutNumber(-60.0);
}

void PeakMemoryReadout::setLabel(const QString& label) {
  setToolTip(LevelMeterTexts::peakReadoutHelp(label));
  setAccessibleName(LevelMeterTexts::peakReadoutName(label));
}

void PeakMemoryReadout::setSessionPeak(double sessionPeakDBFS) {
  QString number = LevelMeterTexts::peakReadoutNumber(sessionPeakDBFS);
  if (number == number_) return;
  const QString before = accessibleValueText();
  number_ = std::move(number);
  update();
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent event(this, 0, before, accessibleValueText());
    QAccessible::updateAccessibility(&event);
  }
}

QString PeakMemoryReadout::accessibleValueText() const {
  return number_ + QStringLiteral(" decibels full scale");
}

void PeakMemoryReadout::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF plate(0.0, (boxHeight - plateHeight) / 2.0, boxWidth, plateHeight);
  painter.setBrush(withOpacity(StudioPalette::inset(), 0.52));
  painter.setPen(QPen(showsKeyboardFocus(*this) ? withOpacity(StudioPalette::textSecondary(), 0.9)
                                                : withOpacity(StudioPalette::edge(), 0.45),
                      1.0));
  painter.drawRoundedRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), plateCorner, plateCorner);

  // One row on a shared baseline, trailing-aligned, centred vertically on the plate.
  const QFontMetricsF numberMetrics(numberFont());
  const QFontMetricsF unitMetrics(unitFont());
  const double unitWidth = unitMetrics.horizontalAdvance(unit);
  const double numberWidth = numberMetrics.horizontalAdvance(number_);
  const double unitLeft = plate.right() - facePadding - unitWidth;
  const double numberLeft = unitLeft - unitSpacing - numberWidth;
  const double baseline =
      plate.center().y() + (numberMetrics.ascent() - numberMetrics.descent()) / 2.0;

  painter.setFont(numberFont());
  painter.setPen(StudioPalette::textPrimary());
  painter.drawText(QPointF(numberLeft, baseline), number_);
  painter.setFont(unitFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(QPointF(unitLeft, baseline), unit);
}
