#include "ui/HardwareButton.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <cmath>

#include "ui/FaceplateAccessibility.h"
#include "ui/StudioPalette.h"

namespace {

QMargins bodyMargins() {
  return HardwareButtonStyle::shadowMargins() + QMargins(HardwareButtonStyle::horizontalPadding, 0,
                                                         HardwareButtonStyle::horizontalPadding, 0);
}

}  // namespace

HardwareButton::HardwareButton(std::function<bool()> reduceMotion, QWidget* parent)
    : QAbstractButton(parent),
      reduceMotion_(std::move(reduceMotion)),
      faceLayout_(new QHBoxLayout(this)) {
  FaceplateAccessibility::install();
  faceLayout_->setContentsMargins(bodyMargins());
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

  pressAnimation_.setDuration(HardwareButtonStyle::pressAnimationMilliseconds);
  pressAnimation_.setEasingCurve(QEasingCurve::OutCubic);
  connect(&pressAnimation_, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { setPressProgress(value.toDouble()); });
  connect(this, &QAbstractButton::pressed, this, [this] { animatePress(true); });
  connect(this, &QAbstractButton::released, this, [this] { animatePress(false); });

  // The legend is engraved while disabled; a face's labels inherit it through the palette.
  QPalette colours = palette();
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    colours.setColor(QPalette::Active, role, StudioPalette::textPrimary());
    colours.setColor(QPalette::Inactive, role, StudioPalette::textPrimary());
    colours.setColor(QPalette::Disabled, role, StudioPalette::engraved());
  }
  setPalette(colours);
  applyEnabledLook();
}

void HardwareButton::setLatched(bool isLatched) {
  if (isLatched == isLatched_) return;
  isLatched_ = isLatched;
  update();
}

void HardwareButton::setFace(QWidget* face) {
  if (face_) faceLayout_->removeWidget(face_);
  delete face_;
  face_ = face;
  if (face_) {
    face_->setAttribute(Qt::WA_TransparentForMouseEvents);
    faceLayout_->addWidget(face_, 0, Qt::AlignVCenter);
  }
  updateGeometry();
}

HardwareButtonStyle HardwareButton::look() const {
  return {isLatched_, isEnabled(), reduceMotion_ && reduceMotion_()};
}

QSize HardwareButton::sizeHint() const {
  const QMargins margins = bodyMargins();
  const QSize content = face_ ? face_->sizeHint() : fontMetrics().size(Qt::TextSingleLine, text());
  return {content.width() + margins.left() + margins.right(),
          std::max(content.height(), HardwareButtonStyle::minimumHeight) + margins.top() +
              margins.bottom()};
}

QSize HardwareButton::minimumSizeHint() const {
  const QMargins margins = bodyMargins();
  const int faceWidth = face_ ? face_->minimumSizeHint().width() : 0;
  return {faceWidth + margins.left() + margins.right(), sizeHint().height()};
}

void HardwareButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const HardwareButtonStyle bodyStyle = look();
  const QRectF body = QRectF(rect()) - QMarginsF(HardwareButtonStyle::shadowMargins());
  bodyStyle.paintBody(painter, body, pressProgress_);
  if (!face_ && !text().isEmpty()) {
    painter.setPen(bodyStyle.foreground());
    painter.drawText(body.translated(0.0, pressProgress_), Qt::AlignCenter, text());
  }
}

void HardwareButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) applyEnabledLook();
  QAbstractButton::changeEvent(event);
}

void HardwareButton::animatePress(bool isDown) {
  const double target = isDown ? 1.0 : 0.0;
  pressAnimation_.stop();
  if (look().reduceMotion) {
    setPressProgress(target);
    return;
  }
  pressAnimation_.setStartValue(pressProgress_);
  pressAnimation_.setEndValue(target);
  pressAnimation_.start();
}

void HardwareButton::setPressProgress(double progress) {
  if (progress == pressProgress_) return;
  pressProgress_ = progress;
  // The face moves by whole pixels; the body itself slides smoothly.
  const int shift = static_cast<int>(std::lround(progress));
  faceLayout_->setContentsMargins(bodyMargins() + QMargins(0, shift, 0, -shift));
  update();
}

// Disabled buttons show the whole control, shadow included, at reduced opacity.
void HardwareButton::applyEnabledLook() {
  if (isEnabled()) {
    setGraphicsEffect(nullptr);
  } else if (!graphicsEffect()) {
    auto* dim = new QGraphicsOpacityEffect;
    dim->setOpacity(HardwareButtonStyle::disabledOpacity);
    setGraphicsEffect(dim);
  }
}
