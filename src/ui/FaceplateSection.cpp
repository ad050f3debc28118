#include "ui/FaceplateSection.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/FaceplateFont.h"
#include "ui/SectionHeading.h"
#include "ui/SoftShadow.h"
#include "ui/StudioPalette.h"

using StudioPalette::withOpacity;

namespace {

constexpr double cornerRadius = 7.0;
constexpr int padding = 12;

const SoftShadow& plateShadow() {
  static const SoftShadow shadow{QColor::fromRgbF(0, 0, 0, 0.32f), 3.0, QPointF(0.0, 2.0)};
  return shadow;
}

}  // namespace

FaceplateSection::FaceplateSection(const QString& title,
                                   const std::optional<QString>& trailingLabel, QWidget* content,
                                   QWidget* parent)
    : QWidget(parent), heading_(new SectionHeading(title)), content_(content) {
  auto* header = new QHBoxLayout;
  header->setContentsMargins(0, 0, 0, 0);
  header->addWidget(heading_, 0, Qt::AlignBottom);
  header->addStretch(1);
  if (trailingLabel) {
    trailing_ = new QLabel(*trailingLabel);
    trailing_->setFont(faceplateFont(8, QFont::Medium, FontDesign::monospaced, 0.9));
    QPalette colours = trailing_->palette();
    colours.setColor(QPalette::WindowText, withOpacity(StudioPalette::textSecondary(), 0.62));
    trailing_->setPalette(colours);
    // Layouts align boxes, not baselines: lift the smaller text by the difference in descent.
    const int lift =
        QFontMetrics(heading_->font()).descent() - QFontMetrics(trailing_->font()).descent();
    trailing_->setContentsMargins(0, 0, 0, std::max(0, lift));
    header->addWidget(trailing_, 0, Qt::AlignBottom);
  }

  auto* stack = new QVBoxLayout(this);
  stack->setSpacing(9);
  stack->setContentsMargins(shadowMargins() + QMargins(padding, padding, padding, padding));
  stack->addLayout(header);
  stack->addWidget(content_);
}

QMargins FaceplateSection::shadowMargins() {
  const QMarginsF reach = plateShadow().reach();
  return reach.toMargins();
}

void FaceplateSection::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF plate = QRectF(rect()) - QMarginsF(shadowMargins());
  plateShadow().paint(painter, plate, cornerRadius);

  QLinearGradient fill(plate.topLeft(), plate.bottomLeft());
  fill.setColorAt(0.0, withOpacity(StudioPalette::panel(), 0.98));
  fill.setColorAt(1.0, withOpacity(StudioPalette::chassis(), 0.94));
  const QRectF stroked = plate.adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient bevel(plate.topLeft(), plate.bottomLeft());
  bevel.setColorAt(0.0, StudioPalette::edge());
  bevel.setColorAt(1.0, QColor::fromRgbF(0, 0, 0, 0.86f));
  painter.setPen(QPen(QBrush(bevel), 1.0));
  painter.setBrush(fill);
  painter.drawRoundedRect(stroked, cornerRadius, cornerRadius);
}
