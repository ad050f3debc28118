#pragma once

// The named colours of the faceplate. Each is an opaque sRGB colour created on first use and
// never changed; callers apply opacity with withOpacity(). Main thread only, like all widgets.

#include <QColor>

#include "controller/StatusPresentation.h"

namespace StudioPalette {

const QColor& chassis();
const QColor& panel();
const QColor& inset();
const QColor& smokedGlass();
const QColor& edge();
const QColor& textPrimary();
const QColor& textSecondary();
const QColor& engraved();
const QColor& green();
const QColor& amber();
const QColor& red();

// neutral → textPrimary, active → green, warning → amber, error → red.
const QColor& severityColor(StatusSeverity severity);

QColor withOpacity(const QColor& color, double opacity);

}  // namespace StudioPalette
