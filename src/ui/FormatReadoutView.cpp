#include "ui/FormatReadoutView.h"

#include <QPainter>

#include "ui/PanelDrawing.h"

FormatReadoutView::FormatReadoutView(QWidget* parent) : DecorativeWidget(parent) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void FormatReadoutView::setFormat(const QString& format) {
  if (format == format_) return;
  format_ = format;
  updateGeometry();
  update();
}

QSize FormatReadoutView::sizeHint() const {
  return {FormatReadout::width(format_), FormatReadout::height};
}

void FormatReadoutView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  FormatReadout::paint(painter, rect(), format_);
}
