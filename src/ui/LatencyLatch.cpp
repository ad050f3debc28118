#include "ui/LatencyLatch.h"

#include "ui/ButtonFace.h"
#include "ui/StudioPalette.h"

LatencyLatch::LatencyLatch(std::function<bool()> reduceMotion, QWidget* parent)
    : LatchButton(std::move(reduceMotion), parent) {
  setAccessibleName(QStringLiteral("Low latency"));
  setAccessibleDescription(
      QStringLiteral("Holds back only what the devices' block sizes need, for playing along"));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  applyLook();
}

void LatencyLatch::applyLook() {
  const bool low = isLow();
  setLatched(low);
  const QColor& amber = StudioPalette::amber();
  buttonFace()->setLook({amber, low, PanelSymbol::sliderHorizontal3,
                         StudioPalette::withOpacity(amber, low ? 1.0 : 0.82),
                         QStringLiteral("LOW LATENCY"),
                         low ? QStringLiteral("LATCHED") : QStringLiteral("STANDARD")});
}
