#include "ui/MuteLatch.h"

#include "ui/ButtonFace.h"
#include "ui/StudioPalette.h"

MuteLatch::MuteLatch(std::function<bool()> reduceMotion, QWidget* parent)
    : LatchButton(std::move(reduceMotion), parent) {
  setAccessibleName(QStringLiteral("Mute output"));
  setAccessibleDescription(QStringLiteral("Toggles output mute without stopping monitoring"));
  setFixedWidth(fixedWidth + HardwareButtonStyle::shadowMargins().left() +
                HardwareButtonStyle::shadowMargins().right());
  applyLook();
}

void MuteLatch::applyLook() {
  const bool muted = isMuted();
  setLatched(muted);
  const QColor& amber = StudioPalette::amber();
  buttonFace()->setLook(
      {amber, muted, muted ? PanelSymbol::speakerSlashFill : PanelSymbol::speakerWave2Fill,
       StudioPalette::withOpacity(amber, muted ? 1.0 : 0.82), QStringLiteral("MUTE"),
       muted ? QStringLiteral("LATCHED") : QStringLiteral("OUTPUT ON")});
}
