#pragma once

// The signal-format readout beside the input picker ("48.0 kHz / 24-bit", or "FORMAT —").
// Decorative: the picker's spoken value already carries the format.

#include <QString>

#include "ui/DecorativeWidget.h"

class FormatReadoutView : public DecorativeWidget {
  Q_OBJECT

 public:
  explicit FormatReadoutView(QWidget* parent = nullptr);

  // Empty means no format.
  void setFormat(const QString& format);
  const QString& format() const { return format_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString format_;
};
