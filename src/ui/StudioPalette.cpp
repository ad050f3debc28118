#include "ui/StudioPalette.h"

namespace StudioPalette {

#define VX_PALETTE_COLOR(name, r, g, b)                    \
  const QColor& name() {                                   \
    static const QColor color = QColor::fromRgbF(r, g, b); \
    return color;                                          \
  }

VX_PALETTE_COLOR(chassis, 0.035f, 0.039f, 0.041f)
VX_PALETTE_COLOR(panel, 0.09f, 0.098f, 0.102f)
VX_PALETTE_COLOR(inset, 0.018f, 0.021f, 0.022f)
VX_PALETTE_COLOR(smokedGlass, 0.025f, 0.034f, 0.033f)
VX_PALETTE_COLOR(edge, 0.255f, 0.268f, 0.272f)
VX_PALETTE_COLOR(textPrimary, 0.9f, 0.875f, 0.805f)
VX_PALETTE_COLOR(textSecondary, 0.59f, 0.59f, 0.55f)
VX_PALETTE_COLOR(engraved, 0.355f, 0.365f, 0.35f)
VX_PALETTE_COLOR(green, 0.18f, 0.8f, 0.41f)
VX_PALETTE_COLOR(amber, 1.0f, 0.65f, 0.145f)
VX_PALETTE_COLOR(red, 1.0f, 0.22f, 0.16f)

#undef VX_PALETTE_COLOR

const QColor& severityColor(StatusSeverity severity) {
  switch (severity) {
    case StatusSeverity::active:
      return green();
    case StatusSeverity::warning:
      return amber();
    case StatusSeverity::error:
      return red();
    case StatusSeverity::neutral:
      break;
  }
  return textPrimary();
}

QColor withOpacity(const QColor& color, double opacity) {
  QColor result = color;
  result.setAlphaF(static_cast<float>(color.alphaF() * opacity));
  return result;
}

}  // namespace StudioPalette
