#include "ui/LevelMeterView.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QPainter>
#include <QSpacerItem>

#include "ui/ClipLampButton.h"
#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateFont.h"
#include "ui/MeterScaleMarks.h"
#include "ui/MeterSegmentBar.h"
#include "ui/PeakMemoryReadout.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr int columnSpacing = 10;
constexpr int scaleSpacing = 4;
constexpr int scaleHeight = 16;
constexpr int captionWidth = 42;
constexpr int captionHeight = 24;
constexpr int glowReach = 5;

const QFont& captionFont() {
  static const QFont font = faceplateFont(10, QFont::Bold, FontDesign::rounded, 1.1);
  return font;
}

const QFont& scaleFont() {
  static const QFont font = faceplateFont(8, QFont::Medium, FontDesign::monospaced);
  return font;
}

}  // namespace

LevelMeterView::LevelMeterView(const QString& label, const MeterReading& reading, bool showsScale,
                               std::function<void()> releasePeak, std::function<void()> clearClip,
                               QWidget* parent)
    : QWidget(parent),
      label_(label),
      reading_(reading),
      showsScale_(showsScale),
      releasePeak_(std::move(releasePeak)),
      clearClip_(std::move(clearClip)),
      grid_(new QGridLayout(this)),
      caption_(
          new QSpacerItem(captionWidth, captionHeight, QSizePolicy::Fixed, QSizePolicy::Fixed)),
      bar_(new MeterSegmentBar),
      readout_(new PeakMemoryReadout),
      lamp_(new ClipLampButton) {
  FaceplateAccessibility::install();
  setAccessibleName(label_);
  grid_->setContentsMargins(glowMargins());
  grid_->setHorizontalSpacing(columnSpacing);
  grid_->setVerticalSpacing(0);
  grid_->addItem(caption_, 1, 0, 1, 1, Qt::AlignBottom);
  grid_->addWidget(bar_, 1, 1, Qt::AlignBottom);
  grid_->addWidget(readout_, 1, 2, Qt::AlignBottom);
  grid_->addWidget(lamp_, 1, 3, Qt::AlignBottom);
  grid_->setColumnStretch(1, 1);

  bar_->setLabel(label_);
  readout_->setLabel(label_);
  lamp_->setLabel(label_);
  bar_->setReading(reading_);
  readout_->setSessionPeak(reading_.sessionPeakDBFS);
  lamp_->setClipping(reading_.isClipping);
  connect(readout_, &QAbstractButton::clicked, this, [this] {
    if (releasePeak_) releasePeak_();
  });
  connect(lamp_, &QAbstractButton::clicked, this, [this] {
    if (clearClip_) clearClip_();
  });
  applyScaleRow();
}

void LevelMeterView::setReading(const MeterReading& reading) {
  if (reading == reading_) return;
  const bool glowChanged = reading.isClipping != reading_.isClipping;
  reading_ = reading;
  bar_->setReading(reading_);
  readout_->setSessionPeak(reading_.sessionPeakDBFS);
  lamp_->setClipping(reading_.isClipping);
  if (glowChanged) {
    update(lamp_->geometry().adjusted(-glowReach, -glowReach, glowReach, glowReach));
  }
}

void LevelMeterView::setShowsScale(bool showsScale) {
  if (showsScale == showsScale_) return;
  showsScale_ = showsScale;
  applyScaleRow();
}

void LevelMeterView::applyScaleRow() {
  // Spacing is not applied next to a row without widgets, so the row's height carries it.
  grid_->setRowMinimumHeight(0, showsScale_ ? scaleHeight + scaleSpacing : 0);
  update();
}

QRect LevelMeterView::scaleRowRect() const {
  if (!showsScale_) return {};
  const QRect bar = bar_->geometry();
  return {bar.left(), bar.top() - scaleSpacing - scaleHeight, bar.width(), scaleHeight};
}

QMargins LevelMeterView::glowMargins() {
  return {0, glowReach, glowReach, glowReach};
}

void LevelMeterView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  lamp_->glow().paint(painter, lamp_->geometry(), ClipLampButton::cornerRadius);

  painter.setFont(captionFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(caption_->geometry(), Qt::AlignLeft | Qt::AlignVCenter, label_.toUpper());

  if (!showsScale_) return;
  const QRect row = scaleRowRect();
  const QColor ink = withOpacity(StudioPalette::textSecondary(), 0.8);
  const QFontMetricsF metrics(scaleFont());
  const double markHeight = metrics.height() + 1.0 + 3.0;
  const double top = row.top() + scaleHeight / 2.0 - markHeight / 2.0;
  painter.setFont(scaleFont());
  for (const ScaleMark& mark : MeterScaleMarks::marks()) {
    const double x = row.left() + MeterScaleMarks::centreX(mark.db, row.width());
    const double textWidth = metrics.horizontalAdvance(mark.label);
    painter.setPen(ink);
    painter.drawText(QPointF(x - textWidth / 2.0, top + metrics.ascent()), mark.label);
    painter.fillRect(QRectF(x - 0.5, top + metrics.height() + 1.0, 1.0, 3.0), ink);
  }
}
