#include "ui/InsetWell.h"

#include <QHBoxLayout>
#include <QPainter>

#include "ui/PanelDrawing.h"
#include "ui/StudioPalette.h"

InsetWell::InsetWell(int leftPadding, int rightPadding, QWidget* parent)
    : QWidget(parent), row_(new QHBoxLayout(this)) {
  row_->setContentsMargins(leftPadding, 5, rightPadding, 5);
  row_->setSpacing(8);
  setMinimumHeight(minimumHeight);
}

void InsetWell::paintWell(QPainter& painter, const QRectF& rect) {
  paintOutlinedRect(painter, rect, cornerRadius, StudioPalette::inset(),
                    StudioPalette::withOpacity(StudioPalette::edge(), 0.72));
}

void InsetWell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintWell(painter, rect());
}
