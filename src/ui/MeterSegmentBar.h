#pragma once

// The 32-segment bar of one meter channel. Assistive technology sees it as one element named
// "<label> input level" whose value is read through its text interface; it has no hint, so its
// description stays empty and a screen reader speaks the value once.
// The segments sit on an opaque decorative face inside the well, so that a new reading repaints
// only the segments it changes and nothing beneath them.

#include <QWidget>
#include <optional>

#include "controller/MeterReading.h"
#include "ui/AccessibleValueSource.h"

class DecorativeWidget;

class MeterSegmentBar : public QWidget, public AccessibleValueSource {
  Q_OBJECT

 public:
  static constexpr int barHeight = 24;

  explicit MeterSegmentBar(QWidget* parent = nullptr);

  void setLabel(const QString& label);
  void setReading(const MeterReading& reading);

  int litCount() const { return litCount_; }
  std::optional<int> peakSegment() const { return peakSegment_; }
  // The rectangle segment 0 … 31 fills, in widget coordinates.
  QRectF segmentRect(int segment) const;

  QString accessibleValueText() const override;
  QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateSegments(int first, int end);

  DecorativeWidget* face_;
  int litCount_ = 0;
  std::optional<int> peakSegment_;
  MeterReading reading_;
  // What was last announced; kept only while a screen reader listens.
  QString announcedText_;
};
