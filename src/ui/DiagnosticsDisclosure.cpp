#include "ui/DiagnosticsDisclosure.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/DiagnosticsView.h"
#include "ui/FaceplateFont.h"
#include "ui/KeyboardFocus.h"
#include "ui/PanelDrawing.h"
#include "ui/PanelSymbol.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int padding = 10;
constexpr int bodySpacing = 9;
constexpr int chevronSize = 9;
constexpr int symbolSize = 10;
constexpr int spacing = 7;
const QString title = QStringLiteral("SERVICE  ·  TECHNICAL DIAGNOSTICS");

const QFont& titleFont() {
  static const QFont font = faceplateFont(9, QFont::DemiBold, FontDesign::monospaced, 0.8);
  return font;
}

}  // namespace

DisclosureToggle::DisclosureToggle(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);
  setText(title);
  setAccessibleName(title);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize DisclosureToggle::sizeHint() const {
  return {chevronSize + spacing + symbolSize + spacing + textWidth(titleFont(), title),
          std::max(16, QFontMetrics(titleFont()).height())};
}

void DisclosureToggle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor& colour = StudioPalette::textSecondary();
  const double middle = height() / 2.0;
  painter.save();
  painter.translate(chevronSize / 2.0, middle);
  if (!isChecked()) painter.rotate(-90);
  paintPanelSymbol(painter, PanelSymbol::chevronDown,
                   QRectF(-chevronSize / 2.0, -chevronSize / 2.0, chevronSize, chevronSize), colour,
                   1.4);
  painter.restore();
  const double iconLeft = chevronSize + spacing;
  paintPanelSymbol(painter, PanelSymbol::wrenchAndScrewdriverFill,
                   QRectF(iconLeft, middle - symbolSize / 2.0, symbolSize, symbolSize), colour);
  painter.setFont(titleFont());
  painter.setPen(colour);
  const int textLeft = static_cast<int>(iconLeft) + symbolSize + spacing;
  painter.drawText(QRect(textLeft, 0, width() - textLeft, height()),
                   Qt::AlignLeft | Qt::AlignVCenter, title);
  if (showsKeyboardFocus(*this)) {
    painter.setPen(QPen(StudioPalette::withOpacity(StudioPalette::amber(), 0.7), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(-3.5, -2.5, 3.5, 2.5), 3, 3);
  }
}

DiagnosticsDisclosure::DiagnosticsDisclosure(QWidget* parent)
    : QWidget(parent), toggle_(new DisclosureToggle), view_(new DiagnosticsView) {
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(padding, padding, padding, padding);
  stack->setSpacing(bodySpacing);
  stack->addWidget(toggle_);
  stack->addWidget(view_);
  view_->setVisible(false);
  connect(toggle_, &QAbstractButton::toggled, view_, &QWidget::setVisible);
}

bool DiagnosticsDisclosure::isExpanded() const {
  return toggle_->isChecked();
}

void DiagnosticsDisclosure::setExpanded(bool expanded) {
  toggle_->setChecked(expanded);
}

void DiagnosticsDisclosure::addBodyControl(QWidget* control) {
  static_cast<QVBoxLayout*>(layout())->addWidget(control, 0, Qt::AlignLeft);
  control->setVisible(isExpanded());
  connect(toggle_, &QAbstractButton::toggled, control, &QWidget::setVisible);
}

void DiagnosticsDisclosure::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintOutlinedRect(painter, rect(), 4.0, StudioPalette::withOpacity(StudioPalette::inset(), 0.72),
                    StudioPalette::withOpacity(StudioPalette::edge(), 0.5));
}
