#include "ui/OutputBox.h"

#include <QAccessible>
#include <QPainter>

#include "ui/FaceplateAccessibility.h"
#include "ui/InsetWell.h"
#include "ui/PanelDrawing.h"
#include "ui/StudioPalette.h"

namespace {

constexpr int leftPadding = 10;
constexpr int rightPadding = 6;
constexpr int spacing = 8;
const QString badgeText = QStringLiteral("SYSTEM");

const QFont& nameFont() {
  static const QFont font = faceplateFont(12, QFont::Medium);
  return font;
}

const QFont& badgeFont() {
  static const QFont font = faceplateFont(8, QFont::Bold, FontDesign::monospaced, 0.8);
  return font;
}

QSize badgeSize() {
  return {textWidth(badgeFont(), badgeText) + 14, QFontMetrics(badgeFont()).height() + 8};
}

}  // namespace

OutputBox::OutputBox(QWidget* parent) : QWidget(parent) {
  FaceplateAccessibility::install();
  setAccessibleName(QStringLiteral("System output"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OutputBox::setOutput(const QString& name, const QString& format,
                          const QString& accessibleValue) {
  if (name == name_ && format == format_ && accessibleValue == accessibleValue_) return;
  const bool formatChanged = format != format_;
  name_ = name;
  format_ = format;
  setToolTip(name_.isEmpty() ? QStringLiteral("System output unavailable") : name_);
  if (accessibleValue != accessibleValue_) {
    accessibleValue_ = accessibleValue;
    QAccessibleValueChangeEvent event(this, accessibleValue_);
    QAccessible::updateAccessibility(&event);
  }
  if (formatChanged) updateGeometry();
  update();
}

int OutputBox::trailingWidth() const {
  return badgeSize().width() + spacing + FormatReadout::width(format_);
}

QSize OutputBox::sizeHint() const {
  return {leftPadding + 160 + spacing + trailingWidth() + rightPadding, InsetWell::minimumHeight};
}

QSize OutputBox::minimumSizeHint() const {
  return {leftPadding + 40 + spacing + trailingWidth() + rightPadding, InsetWell::minimumHeight};
}

void OutputBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  InsetWell::paintWell(painter, rect());
  const double middle = height() / 2.0;

  const int readoutWidth = FormatReadout::width(format_);
  const QRectF readout(width() - rightPadding - readoutWidth, middle - FormatReadout::height / 2.0,
                       readoutWidth, FormatReadout::height);
  FormatReadout::paint(painter, readout, format_);

  const QSize badge = badgeSize();
  const QRectF badgeBox(readout.left() - spacing - badge.width(), middle - badge.height() / 2.0,
                        badge.width(), badge.height());
  paintOutlinedRect(painter, badgeBox, 2.0, Qt::transparent,
                    StudioPalette::withOpacity(StudioPalette::edge(), 0.8));
  painter.setFont(badgeFont());
  painter.setPen(StudioPalette::textSecondary());
  painter.drawText(badgeBox, Qt::AlignCenter, badgeText);

  painter.setFont(nameFont());
  painter.setPen(StudioPalette::textPrimary());
  const QRect nameBox(leftPadding, 0,
                      std::max(0, static_cast<int>(badgeBox.left()) - spacing - leftPadding),
                      height());
  const QString shown = name_.isEmpty() ? QStringLiteral("Unavailable") : name_;
  painter.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   elidedLine(shown, painter.fontMetrics(), nameBox.width()));
}
