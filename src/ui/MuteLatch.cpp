#include "ui/MuteLatch.h"

#include <QAccessible>

#include "ui/ButtonFace.h"
#include "ui/StudioPalette.h"

MuteLatch::MuteLatch(std::function<bool()> reduceMotion, QWidget* parent)
    : HardwareButton(std::move(reduceMotion), parent), face_(new ButtonFace) {
  setFace(face_);
  setAccessibleName(QStringLiteral("Mute output"));
  setAccessibleDescription(QStringLiteral("Toggles output mute without stopping monitoring"));
  setFixedWidth(fixedWidth + HardwareButtonStyle::shadowMargins().left() +
                HardwareButtonStyle::shadowMargins().right());
  applyLook();
}

void MuteLatch::setMuted(bool muted) {
  if (muted == muted_) return;
  muted_ = muted;
  applyLook();
  QAccessibleValueChangeEvent event(this, accessibleValueText());
  QAccessible::updateAccessibility(&event);
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent stateEvent(this, changed);
  QAccessible::updateAccessibility(&stateEvent);
}

QString MuteLatch::accessibleValueText() const {
  return muted_ ? QStringLiteral("On") : QStringLiteral("Off");
}

void MuteLatch::applyLook() {
  setLatched(muted_);
  const QColor& amber = StudioPalette::amber();
  face_->setLook({amber, muted_,
                  muted_ ? PanelSymbol::speakerSlashFill : PanelSymbol::speakerWave2Fill,
                  StudioPalette::withOpacity(amber, muted_ ? 1.0 : 0.82), QStringLiteral("MUTE"),
                  muted_ ? QStringLiteral("LATCHED") : QStringLiteral("OUTPUT ON")});
}
