#pragma once

// The smoked-glass well that holds the two channel meters, with its outline and drop shadow.
// A grouping for assistive technology; the meters inside stay reachable.

#include <QWidget>
#include <functional>

#include "controller/MeterReading.h"

class LevelMeterView;

class MeterWell : public QWidget {
  Q_OBJECT

 public:
  struct Channel {
    std::function<void()> releasePeak;
    std::function<void()> clearClip;
  };

  MeterWell(Channel left, Channel right, QWidget* parent = nullptr);

  LevelMeterView* left() const { return left_; }
  LevelMeterView* right() const { return right_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  LevelMeterView* left_;
  LevelMeterView* right_;
};
