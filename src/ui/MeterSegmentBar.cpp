#include "ui/MeterSegmentBar.h"

#include <QAccessible>
#include <QPainter>
#include <utility>

#include "ui/AudioMeterScale.h"
#include "ui/FaceplateAccessibility.h"
#include "ui/LevelMeterTexts.h"
#include "ui/MeterSegments.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr double padding = 4.0;
constexpr double segmentSpacing = 2.0;
constexpr double segmentCorner = 1.5;
constexpr double wellCorner = 4.0;

const QColor& zoneColor(MeterSegments::Zone zone) {
  switch (zone) {
    case MeterSegments::Zone::red:
      return StudioPalette::red();
    case MeterSegments::Zone::amber:
      return StudioPalette::amber();
    case MeterSegments::Zone::green:
      break;
  }
  return StudioPalette::green();
}

}  // namespace

MeterSegmentBar::MeterSegmentBar(QWidget* parent) : QWidget(parent) {
  FaceplateAccessibility::install();
  setFixedHeight(barHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setMinimumWidth(static_cast<int>(2 * padding +
                                   (AudioMeterScale::segmentCount - 1) * segmentSpacing +
                                   AudioMeterScale::segmentCount));
  setReading(MeterReading{});
}

void MeterSegmentBar::setLabel(const QString& label) {
  setAccessibleName(LevelMeterTexts::segmentBarName(label));
}

void MeterSegmentBar::setReading(const MeterReading& reading) {
  const int lit = MeterSegments::litCount(reading.levelDBFS);
  const std::optional<int> peak = MeterSegments::peakSegment(reading.peakDBFS);
  if (lit != litCount_ || peak != peakSegment_) {
    litCount_ = lit;
    peakSegment_ = peak;
    update();
  }
  QString value = LevelMeterTexts::segmentBarValue(reading);
  if (value == valueText_) return;
  const QString before = std::exchange(valueText_, std::move(value));
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent event(this, 0, before, valueText_);
    QAccessible::updateAccessibility(&event);
  }
}

QRectF MeterSegmentBar::segmentRect(int segment) const {
  const QRectF inner = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
  const int count = AudioMeterScale::segmentCount;
  const double width = (inner.width() - (count - 1) * segmentSpacing) / count;
  return {inner.left() + segment * (width + segmentSpacing), inner.top(), width, inner.height()};
}

void MeterSegmentBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF well = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setBrush(StudioPalette::inset());
  painter.setPen(QPen(withOpacity(StudioPalette::edge(), 0.72), 1.0));
  painter.drawRoundedRect(well, wellCorner, wellCorner);

  for (int segment = 0; segment < AudioMeterScale::segmentCount; ++segment) {
    const QColor& color = zoneColor(MeterSegments::zone(segment));
    const bool isLit = segment < litCount_;
    const bool isPeak = peakSegment_ == segment;
    QPen outline(withOpacity(color, isLit ? 0.58 : 0.1), 0.5);
    if (isPeak) outline = QPen(withOpacity(StudioPalette::textPrimary(), 0.95), 1.0);
    const double inset = outline.widthF() / 2.0;
    painter.setBrush(withOpacity(color, isLit || isPeak ? 1.0 : 0.12));
    painter.setPen(outline);
    painter.drawRoundedRect(segmentRect(segment).adjusted(inset, inset, -inset, -inset),
                            segmentCorner, segmentCorner);
  }
}
