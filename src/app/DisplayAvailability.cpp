#include "app/DisplayAvailability.h"

#include <QFileInfo>

namespace {

bool hasX11(const QProcessEnvironment& environment) {
  return !environment.value(QStringLiteral("DISPLAY")).isEmpty();
}

// Without WAYLAND_DISPLAY the client library connects to "wayland-0" in the runtime directory.
bool hasWayland(const QProcessEnvironment& environment) {
  if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) return true;
  const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
  return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/wayland-0"));
}

}  // namespace

std::optional<QString> missingDisplay(const QProcessEnvironment& environment) {
  const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
  // QT_QPA_PLATFORM may list fallbacks ("wayland;xcb"): any one usable is enough.
  const QStringList candidates = platform.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  if (candidates.isEmpty()) {
    if (hasX11(environment) || hasWayland(environment)) return std::nullopt;
    return QStringLiteral(
        "no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY "
        "is set. Start it from a desktop session.");
  }
  for (const QString& candidate : candidates) {
    const QString name = candidate.section(QLatin1Char(':'), 0, 0);
    const bool usable = name == QLatin1String("xcb")                ? hasX11(environment)
                        : name.startsWith(QLatin1String("wayland")) ? hasWayland(environment)
                                                                    : true;
    if (usable) return std::nullopt;
  }
  return QStringLiteral(
             "no display to show the window on: QT_QPA_PLATFORM is '%1', and its "
             "display (DISPLAY for xcb, WAYLAND_DISPLAY for wayland) is not set.")
      .arg(platform);
}
