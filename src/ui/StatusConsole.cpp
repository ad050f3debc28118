#include "ui/StatusConsole.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateFont.h"
#include "ui/PilotLight.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr int padding = 10;
constexpr int lampColumnWidth = 38;
constexpr int columnSpacing = 10;
constexpr int lampSpacing = 5;
constexpr int textSpacing = 3;
constexpr double cornerRadius = 4.0;
constexpr int textLeft = padding + lampColumnWidth + columnSpacing;
const QString lampCaption = QStringLiteral("STATUS");

const QFont& captionFont() {
  static const QFont font = faceplateFont(7, QFont::DemiBold, FontDesign::monospaced, 0.6);
  return font;
}

const QFont& titleFont() {
  static const QFont font = faceplateFont(11, QFont::DemiBold, FontDesign::monospaced, 0.5);
  return font;
}

const QFont& detailFont() {
  static const QFont font = faceplateFont(10, QFont::Normal);
  return font;
}

int textWidth(int width) {
  return std::max(1, width - textLeft - padding);
}

QRect wrapped(const QFont& font, int top, int width, const QString& text) {
  const QRect bounds = QFontMetrics(font).boundingRect(QRect(0, 0, textWidth(width), 100000),
                                                       Qt::TextWordWrap, text);
  return {textLeft, top, textWidth(width), bounds.height()};
}

int lampColumnHeight() {
  return static_cast<int>(PilotLight::diameter) + lampSpacing +
         QFontMetrics(captionFont()).height();
}

}  // namespace

StatusConsole::StatusConsole(QWidget* parent) : QWidget(parent) {
  FaceplateAccessibility::install();
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  QSizePolicy policy = sizePolicy();
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setAccessibleName(lampCaption);
}

void StatusConsole::setStatus(const StatusPresentation& status) {
  const bool textChanged = status.title != status_.title || status.detail != status_.detail;
  if (!textChanged && status.severity == status_.severity) return;
  status_ = status;
  if (textChanged) {
    QStringList spoken{lampCaption, titleText()};
    if (status_.detail) spoken << QString::fromStdString(*status_.detail);
    setAccessibleName(spoken.join(QStringLiteral(", ")));
    updateGeometry();
  }
  update();
}

QString StatusConsole::titleText() const {
  return QString::fromStdString(status_.title).toUpper();
}

QRect StatusConsole::titleRect(int width) const {
  return wrapped(titleFont(), padding, width, titleText());
}

QRect StatusConsole::detailRect(int width) const {
  const QString detail = QString::fromStdString(status_.detail.value_or(std::string()));
  return wrapped(detailFont(), titleRect(width).bottom() + 1 + textSpacing, width, detail);
}

int StatusConsole::heightForWidth(int width) const {
  const int textBottom =
      status_.detail ? detailRect(width).bottom() + 1 : titleRect(width).bottom() + 1;
  return std::max(textBottom, padding + lampColumnHeight()) + padding;
}

QSize StatusConsole::sizeHint() const {
  const int width = std::max(this->width(), 320);
  return {width, heightForWidth(width)};
}

QSize StatusConsole::minimumSizeHint() const {
  return {textLeft + padding + 40, heightForWidth(160)};
}

void StatusConsole::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor& severity = StudioPalette::severityColor(status_.severity);

  painter.setBrush(StudioPalette::smokedGlass());
  painter.setPen(QPen(withOpacity(severity, 0.25), 1.0));
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                          cornerRadius);

  const double lightLeft = padding + (lampColumnWidth - PilotLight::diameter) / 2.0;
  PilotLight::paint(painter, QRectF(lightLeft, padding, PilotLight::diameter, PilotLight::diameter),
                    severity, true);
  painter.setFont(captionFont());
  painter.setPen(StudioPalette::engraved());
  const int captionTop = padding + static_cast<int>(PilotLight::diameter) + lampSpacing;
  painter.drawText(
      QRect(padding, captionTop, lampColumnWidth, QFontMetrics(captionFont()).height()),
      Qt::AlignHCenter | Qt::AlignTop, lampCaption);

  painter.setFont(titleFont());
  painter.setPen(severity);
  painter.drawText(titleRect(width()), Qt::TextWordWrap, titleText());
  if (status_.detail) {
    painter.setFont(detailFont());
    painter.setPen(StudioPalette::textSecondary());
    painter.drawText(detailRect(width()), Qt::TextWordWrap,
                     QString::fromStdString(*status_.detail));
  }
}
