#include "ui/MeterSegmentBar.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "ui/AudioMeterScale.h"
#include "ui/DecorativeWidget.h"
#include "ui/FaceplateAccessibility.h"
#include "ui/LevelMeterTexts.h"
#include "ui/MeterSegments.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr int padding = 4;
// Antialiasing lets a segment's edge reach a sliver into the next pixel.
constexpr int bleed = 1;
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

// The well's inside, where its fill is opaque: the face paints that fill itself, then the segments.
// It covers the segments and the pixels their edges reach.
class SegmentFace : public DecorativeWidget {
 public:
  explicit SegmentFace(MeterSegmentBar& bar) : DecorativeWidget(&bar), bar_(bar) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), StudioPalette::inset());
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF exposed = event->rect();
    for (int segment = 0; segment < AudioMeterScale::segmentCount; ++segment) {
      const QRectF area = bar_.segmentRect(segment).translated(-pos());
      if (!area.adjusted(-bleed, -bleed, bleed, bleed).intersects(exposed)) continue;
      const QColor& color = zoneColor(MeterSegments::zone(segment));
      const bool isLit = segment < bar_.litCount();
      const bool isPeak = bar_.peakSegment() == segment;
      QPen outline(withOpacity(color, isLit ? 0.58 : 0.1), 0.5);
      if (isPeak) outline = QPen(withOpacity(StudioPalette::textPrimary(), 0.95), 1.0);
      const double inset = outline.widthF() / 2.0;
      painter.setBrush(withOpacity(color, isLit || isPeak ? 1.0 : 0.12));
      painter.setPen(outline);
      painter.drawRoundedRect(area.adjusted(inset, inset, -inset, -inset), segmentCorner,
                              segmentCorner);
    }
  }

 private:
  const MeterSegmentBar& bar_;
};

}  // namespace

MeterSegmentBar::MeterSegmentBar(QWidget* parent) : QWidget(parent), face_(new SegmentFace(*this)) {
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
  if (lit != litCount_) {
    updateSegments(std::min(lit, litCount_), std::max(lit, litCount_));
    litCount_ = lit;
  }
  if (peak != peakSegment_) {
    if (peakSegment_) updateSegments(*peakSegment_, *peakSegment_ + 1);
    if (peak) updateSegments(*peak, *peak + 1);
    peakSegment_ = peak;
  }
  reading_ = reading;
  // Worked out thirty times a second only for a listening screen reader; otherwise when asked.
  if (!QAccessible::isActive()) return;
  QString value = LevelMeterTexts::segmentBarValue(reading);
  if (value == announcedText_) return;
  const QString before = std::exchange(announcedText_, std::move(value));
  QAccessibleTextUpdateEvent event(this, 0, before, announcedText_);
  QAccessible::updateAccessibility(&event);
}

QString MeterSegmentBar::accessibleValueText() const {
  return LevelMeterTexts::segmentBarValue(reading_);
}

QRectF MeterSegmentBar::segmentRect(int segment) const {
  const QRectF inner = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
  const int count = AudioMeterScale::segmentCount;
  const double width = (inner.width() - (count - 1) * segmentSpacing) / count;
  return {inner.left() + segment * (width + segmentSpacing), inner.top(), width, inner.height()};
}

void MeterSegmentBar::updateSegments(int first, int end) {
  if (first >= end) return;
  const QRectF span = segmentRect(first).united(segmentRect(end - 1));
  face_->update(
      span.toAlignedRect().adjusted(-bleed, -bleed, bleed, bleed).translated(-face_->pos()));
}

void MeterSegmentBar::resizeEvent(QResizeEvent*) {
  const int inside = padding - bleed;
  face_->setGeometry(rect().adjusted(inside, inside, -inside, -inside));
}

void MeterSegmentBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF well = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setBrush(StudioPalette::inset());
  painter.setPen(QPen(withOpacity(StudioPalette::edge(), 0.72), 1.0));
  painter.drawRoundedRect(well, wellCorner, wellCorner);
}
