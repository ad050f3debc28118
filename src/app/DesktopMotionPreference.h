#pragma once

// Whether the desktop asks for reduced motion. GNOME and GTK desktops say so with the
// org.gnome.desktop.interface "enable-animations" key, read through gsettings when it is
// installed; elsewhere animations stay on. Read once, when the application starts.

#include <QString>

namespace DesktopMotionPreference {

// `gsettingsProgram` is the program to ask (tests point it elsewhere); false when it is missing,
// fails or does not answer within a second.
bool reduceMotion(const QString& gsettingsProgram = QStringLiteral("gsettings"));

}  // namespace DesktopMotionPreference
