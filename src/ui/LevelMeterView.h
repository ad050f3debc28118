#pragma once

// One channel of the stereo meter as a horizontal strip: caption, optional dB scale over the
// 32-segment bar, peak-memory readout and clip lamp. It only displays the reading it is given and
// reports clicks through its two callbacks; it owns no timers.
// The caption and scale are painted by the strip itself and are not exposed to assistive
// technology; the strip is a grouping whose bar, readout and lamp stay reachable.
// The lit clip lamp's glow reaches beyond the lamp, so the strip keeps glowMargins() free around
// its content.

#include <QWidget>
#include <functional>

#include "controller/MeterReading.h"

class ClipLampButton;
class MeterSegmentBar;
class PeakMemoryReadout;
class QGridLayout;
class QSpacerItem;

class LevelMeterView : public QWidget {
  Q_OBJECT

 public:
  LevelMeterView(const QString& label, const MeterReading& reading, bool showsScale,
                 std::function<void()> releasePeak, std::function<void()> clearClip,
                 QWidget* parent = nullptr);

  // Redraws only what the new reading changes; an equal reading does nothing.
  void setReading(const MeterReading& reading);
  void setShowsScale(bool showsScale);

  const QString& label() const { return label_; }
  const MeterReading& reading() const { return reading_; }
  bool showsScale() const { return showsScale_; }

  MeterSegmentBar* segmentBar() const { return bar_; }
  PeakMemoryReadout* peakReadout() const { return readout_; }
  ClipLampButton* clipLamp() const { return lamp_; }
  // The scale row in strip coordinates; empty while the scale is hidden.
  QRect scaleRowRect() const;

  static QMargins glowMargins();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void applyScaleRow();

  QString label_;
  MeterReading reading_;
  bool showsScale_;
  std::function<void()> releasePeak_;
  std::function<void()> clearClip_;
  QGridLayout* grid_;
  QSpacerItem* caption_;
  MeterSegmentBar* bar_;
  PeakMemoryReadout* readout_;
  ClipLampButton* lamp_;
};
